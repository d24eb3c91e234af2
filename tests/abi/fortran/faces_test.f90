! The C interface through the module pdferr, from gfortran: every procedure
! once on its good path, and its failures as a status and a message.  The
! densities are checked against the bits of the legacy routines.  Runs in a
! directory holding table set 100 (60 x nodes, 16 t nodes, MxFlvN0 = 5) and
! grid members 0 and -1, 1; it writes the bad files it opens.
program faces_test
  use, intrinsic :: iso_c_binding, only: c_ptr, c_null_ptr, c_associated, c_f_pointer, &
    c_double, c_float, c_int32_t, c_int64_t, c_size_t
  use, intrinsic :: ieee_arithmetic, only: ieee_is_nan, ieee_value, ieee_quiet_nan
  use pdferr
  implicit none
  integer :: nfail = 0
  type(pdferr_error) :: err

  call tables()
  call grids()
  call formulas()
  call member_sets()
  call band()
  if (nfail == 0) print '(a)', 'fortran faces ok'

contains

  ! A status, evaluated as the argument: the outputs of its call are set
  ! before the checks that read them (the operands of one expression may be
  ! evaluated in any order).
  subroutine okay(status, what)
    integer(c_int32_t), intent(in) :: status
    character(len=*), intent(in) :: what
    call check(status == PDFERR_OK, what)
  end subroutine okay

  subroutine check(ok, what)
    logical, intent(in) :: ok
    character(len=*), intent(in) :: what
    if (ok) return
    nfail = nfail + 1
    print '(3a)', 'failed: ', what, ' (' // pdferr_message(err) // ')'
  end subroutine check

  ! The call's status, and the record's code and message.
  subroutine expect(status, code, message, what)
    integer(c_int32_t), intent(in) :: status, code
    character(len=*), intent(in) :: message, what
    call check(status == code .and. err%code == code .and. pdferr_message(err) == message, what)
  end subroutine expect

  logical function same(a, b)
    real(c_double), intent(in) :: a(:), b(:)
    same = all(transfer(a, 0_8, size(a)) == transfer(b, 0_8, size(b)))
  end function same

  subroutine write_file(path, line)
    character(len=*), intent(in) :: path, line
    integer :: u
    open (newunit=u, file=path, status='replace', action='write')
    write (u, '(a)') line
    close (u)
  end subroutine write_file

  subroutine tables()
    type(c_ptr) :: set, by_path, bad
    type(pdferr_table_info) :: info
    real(c_double), pointer :: x_nodes(:)
    real(c_double) :: v, legacy(-5:5), all(11), one(3), every(11, 3)
    real(c_double), parameter :: xs(3) = [0.1d0, 3d-4, 2d0], qs(3) = [10d0, 2.5d0, 10d0]
    integer(c_int32_t) :: f
    integer :: k

    call okay(pdferr_table_open_set(100, '.', set, err), 'table_open_set')
    call okay(pdferr_table_open_set(100, table=by_path), 'open_set, no directory')
    call okay(pdferr_table_close(by_path), 'table_close')
    call okay(pdferr_table_open('zemo.00.pds   ', by_path, err), 'table_open')
    call okay(pdferr_table_get_info(set, info, err), 'table_get_info')
    call check(info%nx == 60 .and. info%nt == 16 .and. info%mxflvn0 == 5 .and. info%mxval == 2 &
               .and. info%alambda == 0.2d0 .and. info%qcdi3 == 5, 'table_info fields')
    call c_f_pointer(info%x_nodes, x_nodes, [info%nx + 1])
    call check(x_nodes(1) == 0d0 .and. x_nodes(61) == 1d0 .and. info%x_node_max == 1d0, 'x nodes')

    call setzemo(100)
    do f = -5, 5
      legacy(f) = zemopdf(f, 0.1d0, 10d0)
      call okay(pdferr_table_value(by_path, f, 0.1d0, 10d0, v, err), 'table_value')
      call check(same([v], legacy(f:f)), 'table_value: the bits of zemopdf')
    end do
    call okay(pdferr_table_values(set, 0.1d0, 10d0, all, 11_c_size_t, err), &
               'table_values')
    call check(same(all, legacy), 'table_values: the bits of zemopdf')

    ! Many points: pairs and scans at one Q, one flavour and all.
    call okay(pdferr_table_value_points(set, 0, xs, qs, 2_c_size_t, one, PDFERR_OUTSIDE_REFUSE, &
                                         err), 'table_value_points')
    call check(same(one(1:2), [zemopdf(0, xs(1), qs(1)), zemopdf(0, xs(2), qs(2))]), &
               'table_value_points: the bits of zemopdf')
    call okay(pdferr_table_values_scan(set, xs, 10d0, 2_c_size_t, every, 33_c_size_t, &
                                        PDFERR_OUTSIDE_REFUSE, err), 'table_values_scan')
    do k = 1, 2
      call check(same(every(:, k), [(zemopdf(f, xs(k), 10d0), f = -5, 5)]), &
                 'table_values_scan: the bits of zemopdf')
    end do
    call okay(pdferr_table_values_points(set, xs, qs, 2_c_size_t, every, 33_c_size_t, &
                                          PDFERR_OUTSIDE_REFUSE, err), &
               'table_values_points')
    call check(same(every(:, 2), [(zemopdf(f, xs(2), qs(2)), f = -5, 5)]), &
               'table_values_points: the bits of zemopdf')
    call okay(pdferr_table_value_scan(set, 0, xs, 10d0, 3_c_size_t, one, PDFERR_OUTSIDE_NAN, err), &
              'table_value_scan')
    call check(ieee_is_nan(one(3)) .and. one(1) == legacy(0), 'table_value_scan: NaN at point 3')

    ! Failures: a status and a message, the outputs untouched.
    v = -1
    call expect(pdferr_table_value(set, 0, 1.5d0, 10d0, v, err), PDFERR_DOMAIN_ERROR, &
                'x = 1.5 outside [0, 1]', 'table_value: x outside')
    call check(v == -1, 'table_value: untouched')
    call expect(pdferr_table_values_points(set, xs, qs, 3_c_size_t, every, 33_c_size_t, &
                                           PDFERR_OUTSIDE_REFUSE, err), PDFERR_DOMAIN_ERROR, &
                'point 2: x = 2 outside [0, 1]', 'table_values_points: refused')
    call check(err%index == 2, 'the first bad point')
    call expect(pdferr_table_values(set, 0.1d0, 10d0, all, 10_c_size_t, err), &
                PDFERR_INVALID_ARGUMENT, 'values holds 10 of the 11 flavours', 'table_values: short')
    call expect(pdferr_table_open_set(99, '', bad, err), PDFERR_INVALID_ARGUMENT, &
                'no table set numbered 99 (sets are 10..33, 100..152 and 200..252)', 'table_open_set: no such number')
    call write_file('bad.pds', 'not a table')
    f = pdferr_table_open('bad.pds', bad, err)
    call check(f == PDFERR_FILE_ERROR .and. err%line > 0 .and. .not. c_associated(bad), &
               'table_open: a bad file')
    call check(index(pdferr_message(err), 'bad.pds') > 0, 'table_open: the message names the file')
    call check(pdferr_status_name(err%code) == 'file error', 'status_name')
    call okay(pdferr_table_close(set, err), 'table_close')
    call okay(pdferr_table_close(by_path), 'table_close')
    call okay(pdferr_table_close(c_null_ptr), 'table_close: null')
  end subroutine tables

  subroutine grids()
    type(c_ptr) :: central, minus1, bad
    type(pdferr_grid_info) :: info
    real(c_double), pointer :: q2_nodes(:)
    real(c_double) :: d(6), legacy(6), many(6, 3)
    real(c_double), parameter :: xs(3) = [0.01d0, 0.3d0, 2d0], q2s(3) = [100d0, 5d0, 100d0]
    integer :: k

    call okay(pdferr_grid_open_member(0, grid=central, err=err), 'grid_open_member')
    call okay(pdferr_grid_open_member(-1, '.', minus1, err), 'open_member, directory')
    call okay(pdferr_grid_get_info(central, info, err), 'grid_get_info')
    call check(info%nx == 47 .and. info%nq == 30 .and. info%x_min == 1d-5 .and. info%q2_max == 1d6, &
               'grid_get_info')
    call c_f_pointer(info%q2_nodes, q2_nodes, [info%nq])
    call check(q2_nodes(30) == 1d6, 'q2 nodes')

    call pelkini(-1)
    call pelkfit(0.01d0, 100d0, legacy(1), legacy(2), legacy(3), legacy(4), legacy(5), legacy(6))
    call okay(pdferr_grid_values(minus1, 0.01d0, 100d0, d, err), 'grid_values')
    call check(same(d, legacy), 'grid_values: the bits of pelkfit')
    call okay(pdferr_grid_values_points(minus1, xs, q2s, 2_c_size_t, many, PDFERR_OUTSIDE_REFUSE, &
                                         err), 'grid_values_points')
    do k = 1, 2
      call pelkfit(xs(k), q2s(k), legacy(1), legacy(2), legacy(3), legacy(4), legacy(5), legacy(6))
      call check(same(many(:, k), legacy), 'grid_values_points: the bits of pelkfit')
    end do
    call okay(pdferr_grid_values_scan(minus1, xs, 100d0, 3_c_size_t, many, PDFERR_OUTSIDE_NAN, &
                                      err), 'grid_values_scan')
    call check(all(ieee_is_nan(many(:, 3))) .and. same(many(:, 1), d), &
               'grid_values_scan: NaN at point 3')
    call expect(pdferr_grid_values_scan(minus1, xs, 100d0, 3_c_size_t, many, &
                                        PDFERR_OUTSIDE_REFUSE, err), PDFERR_DOMAIN_ERROR, &
                'point 2: x = 2 is outside [1e-5, 1]', 'grid_values_scan: refused')

    call expect(pdferr_grid_open_member(100, '', bad, err), PDFERR_INVALID_ARGUMENT, &
                'grid member 100 is outside -99..99', 'grid_open_member: no such number')
    call write_file('bad.grid', 'not a grid')
    call check(pdferr_grid_open('bad.grid', bad, err) == PDFERR_FILE_ERROR, 'grid_open: a bad file')
    call check(.not. c_associated(bad), 'grid_open: no grid')
    call okay(pdferr_grid_open('PELK-GRID.NLO', bad, err), 'grid_open')
    call okay(pdferr_grid_close(central, err), 'grid_close')
    call okay(pdferr_grid_close(minus1), 'grid_close')
    call okay(pdferr_grid_close(bad), 'grid_close')
  end subroutine grids

  subroutine formulas()
    ! Two points of a set of two pairs, central 0 and 10: the pairs move
    ! them by +-3 and +-4, so every error is 5 (0.5 sqrt(6^2 + 8^2)).
    real(c_double), parameter :: members(2, 5) = reshape( &
      [0d0, 10d0, 3d0, 13d0, -3d0, 7d0, 4d0, 14d0, -4d0, 6d0], [2, 5])
    real(c_double), parameter :: v(5) = [2d0, 5d0, 1d0, 4d0, 3d0]
    type(pdferr_confidence), parameter :: one = pdferr_confidence(PDFERR_SIGMAS, 1d0), &
      two = pdferr_confidence(PDFERR_SIGMAS, 2d0), half = pdferr_confidence(PDFERR_CENTRAL, 0.5d0)
    type(pdferr_hessian_errors) :: e(2)
    real(c_double) :: z, p, r, low, high, bad(2, 5)

    call okay(pdferr_normal_quantile(0.5d0, z, err), 'normal_quantile')
    call check(z == 0, 'normal_quantile: z')
    call okay(pdferr_confidence_z(one, z, err), 'confidence_z')
    call check(z == 1, 'confidence_z: z')
    ! Phi(1) - Phi(-1) = erf(1 / sqrt 2), to a few ulps.
    call okay(pdferr_confidence_probability(one, p, err), 'confidence_probability')
    call check(abs(p - erf(1d0 / sqrt(2d0))) < 1d-15, 'confidence_probability')
    call okay(pdferr_rescale_factor(one, two, r, err), 'rescale_factor')
    call check(r == 0.5d0, 'rescale_factor: r')
    call okay(pdferr_hessian(members, 2_c_size_t, 2_c_size_t, PDFERR_ON_BAD_ERROR, e, err), &
              'hessian')
    call check(all(e%symmetric == 5) .and. all(e%plus == 5) .and. all(e%minus == 5), &
               'hessian: the errors')
    call okay(pdferr_hessian_rescale(e(2), one, two, err), 'hessian_rescale')
    call check(e(2)%plus == 10 .and. e(1)%plus == 5, 'hessian_rescale: the errors')
    ! Two members' values at two points that differ by a constant: r = 1 to
    ! a few ulps.
    call okay(pdferr_hessian_correlation(members(1, :), members(2, :), 2_c_size_t, r, err), &
              'hessian_correlation')
    call check(abs(r - 1) < 1d-15, 'hessian_correlation: r')
    bad = members
    bad(2, 4) = ieee_value(0d0, ieee_quiet_nan)
    call expect(pdferr_hessian(bad, 2_c_size_t, 2_c_size_t, PDFERR_ON_BAD_ERROR, e, err), &
                PDFERR_DOMAIN_ERROR, 'member +2 is not finite at point 1', &
                'hessian: NaN refused')
    call check(err%index == 1, 'hessian: the point of the NaN')
    call okay(pdferr_hessian(bad, 2_c_size_t, 2_c_size_t, PDFERR_ON_BAD_NAN, e, err), 'hessian')
    call check(ieee_is_nan(e(2)%symmetric) .and. e(1)%symmetric == 5, 'hessian: NaN given')

    call okay(pdferr_replicas_mean(v, 5_c_size_t, z, err), 'replicas_mean')
    call check(z == 3, 'replicas_mean: 3')
    call okay(pdferr_replicas_standard_deviation(v, 5_c_size_t, z, err), 'replicas_sd')
    call check(z == sqrt(2.5d0), 'replicas_standard_deviation: sqrt(10 / 4)')
    call okay(pdferr_replicas_quantile(v, 5_c_size_t, 0.25d0, z, err), 'replicas_quantile')
    call check(z == 2, 'replicas_quantile: 2')
    call okay(pdferr_replicas_interval(v, 5_c_size_t, half, low, high, err), 'replicas_interval')
    call check(low == 2 .and. high == 4, 'replicas_interval: 2, 4')
    call okay(pdferr_replicas_correlation(v, 2 * v, 5_c_size_t, r, err), 'replicas_correlation')
    call check(abs(r - 1) < 1d-15, 'replicas_correlation: r')
    call expect(pdferr_replicas_standard_deviation(v, 1_c_size_t, z, err), &
                PDFERR_INVALID_ARGUMENT, &
                'the standard deviation needs at least 2 values; there are 1', &
                'replicas_standard_deviation: n = 1')
  end subroutine formulas

  ! The Monte Carlo band: variations equal to the central values leave
  ! every draw at them (1 and 2, whose sums are exact); variations that
  ! differ give a band around them; a covariance that is not positive
  ! definite is refused.
  subroutine band()
    type(pdferr_confidence), parameter :: one = pdferr_confidence(PDFERR_SIGMAS, 1d0)
    real(c_double) :: central(3) = [1d0, 2d0, 4d0], variations(3, 2)
    real(c_double) :: mean(3), sd(3), low(3), high(3)
    real(c_float) :: cov(2, 2) = reshape([1.0, 0.5, 0.5, 2.0], [2, 2])
    real(c_float) :: singular(2, 2) = 1.0
    integer(c_int32_t) :: status

    variations(:, 1) = central
    variations(:, 2) = central
    call okay(pdferr_band_monte_carlo(central, variations, 2_c_size_t, 3_c_size_t, cov, 1234, &
                                      77_c_int64_t, 700_c_int64_t, one, mean, sd, low, high, err), &
              'band_monte_carlo')
    call check(same(mean, central) .and. all(sd == 0) .and. same(low, central) .and. &
               same(high, central), 'band_monte_carlo: no variation, no band')
    variations(:, 1) = central * 1.1d0
    variations(:, 2) = central * 0.95d0
    call okay(pdferr_band_monte_carlo(central, variations, 2_c_size_t, 3_c_size_t, cov, 1234, &
                                      77_c_int64_t, 700_c_int64_t, one, mean, sd, low, high, err), &
              'band_monte_carlo')
    ! sd of 0.1 c1 - 0.05 c2 is sqrt(0.01 + 0.005 - 0.005) = 0.1 of each value.
    call check(all(abs(mean - central) < 0.02d0 * central) .and. &
               all(abs(sd - 0.1d0 * central) < 0.01d0 * central) .and. &
               all(low < mean .and. mean < high), 'band_monte_carlo: a band around the values')
    status = pdferr_band_monte_carlo(central, variations, 2_c_size_t, 3_c_size_t, singular, 1234, &
                                     77_c_int64_t, 700_c_int64_t, one, mean, sd, low, high, err)
    call check(status /= PDFERR_OK .and. err%code == status .and. &
               index(pdferr_message(err), 'not positive definite') > 0, &
               'band_monte_carlo: a singular covariance refused')
  end subroutine band

  subroutine member_sets()
    character(len=*), parameter :: nl = achar(10)
    type(c_ptr) :: set, bad
    type(pdferr_member_set_info) :: info
    type(pdferr_member) :: m

    call okay(pdferr_member_set_parse('pdferr-members 1' // nl // 'source grid' // nl // &
                                      'hessian 90%' // nl // 'central 0' // nl // &
                                      'pair 1 1 "minus one.grid"' // nl, 'sets', set, err), &
              'member_set_parse')
    call okay(pdferr_member_set_get_info(set, info, err), 'member_set_get_info')
    call check(info%kind == PDFERR_SET_HESSIAN .and. info%source == PDFERR_SOURCE_GRID &
               .and. info%has_central == 1 .and. info%confidence%kind == PDFERR_CENTRAL &
               .and. info%confidence%value == 0.9d0 .and. info%pairs == 1 .and. info%size == 3 &
               .and. pdferr_string(info%directory) == 'sets', 'member_set_info fields')
    call okay(pdferr_member_set_member(set, 1_c_size_t, m, err), 'member_set_member')
    call check(m%numbered == 1 .and. m%number == 1, 'member_set_member: a number')
    call okay(pdferr_member_set_member(set, 2_c_size_t, m, err), 'member_set_member')
    call check(m%numbered == 0 .and. pdferr_string(m%path) == 'sets/minus one.grid', 'member_set_member: a path')
    call expect(pdferr_member_set_member(set, 3_c_size_t, m, err), PDFERR_INVALID_ARGUMENT, &
                'member 3 of a set of 3', 'member_set_member: beyond the set')
    call okay(pdferr_member_set_close(set, err), 'member_set_close')

    call write_file('mine.members', 'pdferr-members 1' // nl // 'source table' // nl // &
                    'replicas' // nl // 'replica 100 100')
    call okay(pdferr_member_set_load('mine', set, err), 'member_set_load')
    call okay(pdferr_member_set_get_info(set, info), 'member_set_get_info')
    call check(info%replicas == 2 .and. info%kind == PDFERR_SET_REPLICAS .and. info%confidence%kind == 0, &
               'member_set_load: the set')
    call okay(pdferr_member_set_close(set), 'member_set_close')
    call okay(pdferr_member_set_read('./mine.members', set, err), 'member_set_read')
    call okay(pdferr_member_set_close(set), 'member_set_close')
    call write_file('bad.members', 'pdferr-members 1' // nl // 'sauce grid')
    call check(pdferr_member_set_read('bad.members', bad, err) == PDFERR_FILE_ERROR, &
               'member_set_read: a bad file')
    call check(err%line == 2 .and. .not. c_associated(bad), 'member_set_read: the line')
  end subroutine member_sets
end program faces_test
