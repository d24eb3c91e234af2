! The toolkit for Fortran programs.
!
! Module pdferr: an explicit interface for every routine and function of the
! three subsystems and of the I/O runtime, with the exact kinds of their
! arguments, so that a REAL passed where a DOUBLE PRECISION is due, a wrong
! number of arguments, or a function used without its type is a compile
! error instead of a wrong number at run time.  Beside them, the C interface
! (pdferr/tables.h, grids.h, uncertainty.h, error.h) for Fortran: table sets
! and grid members as handles opened by path or by number, evaluation of
! points and arrays, a status and a message instead of a stop, and the
! error-set formulas.  Module pdferr_blocks: the named blocks, as the common
! blocks of the library (the same objects), one variable per field.
!
!   use pdferr                          ! every routine
!   use pdferr_blocks, only: iout, nx   ! the fields you use, by name
!
! Reals are real32 in the random sampling routines and real64 in the tables
! and grids; integers are int32.  The routines are the library's under their
! gfortran names and the C interface under its C names: the module declares
! them.  It defines only the small procedures that pass Fortran text to the
! C interface (a copy ending in NUL, trailing blanks dropped) and turn C text
! into Fortran text; they are compiled into libpdferr_fortran.a, which the
! link line names.
! Scalars are read where they are intent(in); arrays the routines leave
! untouched in some cases (a count of zero, an error) are intent(inout).
module pdferr
  use, intrinsic :: iso_fortran_env, only: int32, real32, real64
  use, intrinsic :: iso_c_binding, only: c_char, c_double, c_float, c_int32_t, c_int64_t, &
    c_null_char, c_null_ptr, c_ptr, c_size_t, c_associated, c_f_pointer
  implicit none
  private
  public :: ranmar, rmarin, rmarut, gaudev, corset, mvndev
  public :: setzemo, nextun, readpds0, zemopdf, partonx10, polint4f
  public :: istrl, strcat, pelkini, dfint_pelk, pelkfit
  public :: fio_connect, fio_connect_read, fio_disconnect, fio_connected

  ! The C interface: handles (type(c_ptr)), status codes, error records.
  public :: pdferr_error, pdferr_message, pdferr_string, pdferr_status_name
  public :: pdferr_table_info, pdferr_table_open, pdferr_table_open_set, pdferr_table_close
  public :: pdferr_table_value, pdferr_table_values, pdferr_table_value_points
  public :: pdferr_table_value_scan, pdferr_table_values_points, pdferr_table_values_scan
  public :: pdferr_table_get_info
  public :: pdferr_grid_info, pdferr_grid_open, pdferr_grid_open_member, pdferr_grid_close
  public :: pdferr_grid_values, pdferr_grid_values_points, pdferr_grid_values_scan
  public :: pdferr_grid_get_info
  public :: pdferr_confidence, pdferr_hessian_errors, pdferr_normal_quantile
  public :: pdferr_confidence_z, pdferr_confidence_probability, pdferr_rescale_factor
  public :: pdferr_hessian, pdferr_hessian_rescale, pdferr_hessian_correlation
  public :: pdferr_replicas_mean, pdferr_replicas_standard_deviation, pdferr_replicas_quantile
  public :: pdferr_replicas_interval, pdferr_replicas_correlation, pdferr_band_monte_carlo
  public :: pdferr_member_set_info, pdferr_member, pdferr_member_set_read, pdferr_member_set_load
  public :: pdferr_member_set_parse, pdferr_member_set_close, pdferr_member_set_get_info
  public :: pdferr_member_set_member

  ! Status codes (pdferr_status).
  integer(c_int32_t), parameter, public :: PDFERR_OK = 0, PDFERR_FILE_ERROR = 1, &
    PDFERR_DOMAIN_ERROR = 2, PDFERR_INVALID_ARGUMENT = 3, PDFERR_OUT_OF_MEMORY = 4, &
    PDFERR_INTERNAL_ERROR = 5
  ! A point outside the domain in a call on many points: refused, or NaN.
  integer(c_int32_t), parameter, public :: PDFERR_OUTSIDE_REFUSE = 0, PDFERR_OUTSIDE_NAN = 1
  ! A value that is not finite in the error formulas: refused, or NaN.
  integer(c_int32_t), parameter, public :: PDFERR_ON_BAD_ERROR = 0, PDFERR_ON_BAD_NAN = 1
  ! Kinds of confidence level, of member set, and of member.
  integer(c_int32_t), parameter, public :: PDFERR_CENTRAL = 1, PDFERR_SIGMAS = 2
  integer(c_int32_t), parameter, public :: PDFERR_SET_HESSIAN = 1, PDFERR_SET_REPLICAS = 2
  integer(c_int32_t), parameter, public :: PDFERR_SOURCE_TABLE = 1, PDFERR_SOURCE_GRID = 2

  ! What a call of the C interface reports: the status again, the line of a
  ! file fault (0 where none applies), the first bad point of a call on many
  ! points (0-based; -1 where none applies) and the message, ended by NUL
  ! (pdferr_message gives it as Fortran text).
  type, bind(c) :: pdferr_error
    integer(c_int32_t) :: code, line
    integer(c_int64_t) :: index
    character(kind=c_char) :: message(1024)
  end type pdferr_error

  ! The header values of a table set, its node counts, ranges and nodes
  ! (x_nodes(0:nx), t_nodes(0:nt) through c_f_pointer, valid until the table
  ! is closed).
  type, bind(c) :: pdferr_table_info
    integer(c_int32_t) :: nx, nt, mxflvn0, mxval
    real(c_double) :: alambda, mass(6), qcdr1, qcdr2
    integer(c_int32_t) :: qcdi1, qcdi2, qcdi3
    real(c_double) :: qini, qmax, xmin
    real(c_double) :: x_node_min, x_node_max, q_node_min, q_node_max
    type(c_ptr) :: x_nodes, t_nodes
  end type pdferr_table_info

  ! The domain of a grid member and its nodes (x_nodes(nx), q2_nodes(nq)).
  type, bind(c) :: pdferr_grid_info
    real(c_double) :: x_min, x_max, q2_min, q2_max
    integer(c_int32_t) :: nx, nq
    type(c_ptr) :: x_nodes, q2_nodes
  end type pdferr_grid_info

  ! A confidence level: kind PDFERR_CENTRAL with 0 < value < 1, or
  ! PDFERR_SIGMAS with value > 0 standard deviations.
  type, bind(c) :: pdferr_confidence
    integer(c_int32_t) :: kind
    real(c_double) :: value
  end type pdferr_confidence

  ! The Hessian errors at one point.
  type, bind(c) :: pdferr_hessian_errors
    real(c_double) :: symmetric, plus, minus
  end type pdferr_hessian_errors

  ! A member-set description: its kind, source, level and size; directory
  ! (pdferr_string) valid until the set is closed.
  type, bind(c) :: pdferr_member_set_info
    integer(c_int32_t) :: kind, source, has_central
    type(pdferr_confidence) :: confidence
    integer(c_size_t) :: pairs, replicas, size
    type(c_ptr) :: directory
  end type pdferr_member_set_info

  ! One member: a number (numbered 1) in the set's directory, or a path.
  type, bind(c) :: pdferr_member
    integer(c_int32_t) :: numbered, number
    type(c_ptr) :: path
  end type pdferr_member

  interface

    ! Random sampling (real32).

    ! vec(1..nvec): the next nvec uniform numbers in (0, 1).
    subroutine ranmar(vec, nvec)
      import :: int32, real32
      real(real32), intent(inout) :: vec(*)
      integer(int32), intent(in) :: nvec
    end subroutine ranmar

    ! Seeds the generator and skips nblocks * 10**9 + count numbers.
    subroutine rmarin(seed, count, nblocks)
      import :: int32
      integer(int32), intent(in) :: seed, count, nblocks
    end subroutine rmarin

    ! The seed and position; rmarin with them restores the position.
    subroutine rmarut(seed, count, nblocks)
      import :: int32
      integer(int32), intent(out) :: seed, count, nblocks
    end subroutine rmarut

    ! devias(1..ndev): standard normal deviates.
    subroutine gaudev(devias, ndev)
      import :: int32, real32
      real(real32), intent(inout) :: devias(*)
      integer(int32), intent(in) :: ndev
    end subroutine gaudev

    ! The Cholesky factor of cov into the lower triangle of c.
    subroutine corset(cov, c, np)
      import :: int32, real32
      integer(int32), intent(in) :: np
      real(real32), intent(in) :: cov(np, np)
      real(real32), intent(inout) :: c(np, np)
    end subroutine corset

    ! x(1..np): one correlated normal vector c z; np at most 100.
    subroutine mvndev(c, x, np)
      import :: int32, real32
      integer(int32), intent(in) :: np
      real(real32), intent(in) :: c(np, np)
      real(real32), intent(inout) :: x(*)
    end subroutine mvndev

    ! Parton density tables (real64).

    ! Loads table set iset from the current directory.
    subroutine setzemo(iset)
      import :: int32
      integer(int32), intent(in) :: iset
    end subroutine setzemo

    ! The lowest unit from 10 to 300 that is not connected.
    function nextun()
      import :: int32
      integer(int32) :: nextun
    end function nextun

    ! Reads the table file open for reading on unit iu into the blocks.
    subroutine readpds0(iu)
      import :: int32
      integer(int32), intent(in) :: iu
    end subroutine readpds0

    ! Density of flavour iparton at x and q, never negative.
    function zemopdf(iparton, x, q)
      import :: int32, real64
      integer(int32), intent(in) :: iparton
      real(real64), intent(in) :: x, q
      real(real64) :: zemopdf
    end function zemopdf

    ! The interpolation kernel behind zemopdf, unguarded and unclamped.
    function partonx10(iparton, x, q)
      import :: int32, real64
      integer(int32), intent(in) :: iparton
      real(real64), intent(in) :: x, q
      real(real64) :: partonx10
    end function partonx10

    ! ye: the value at xe of the cubic through (xa(k), ya(k)), k = 1..4.
    subroutine polint4f(xa, ya, xe, ye)
      import :: real64
      real(real64), intent(in) :: xa(4), ya(4), xe
      real(real64), intent(out) :: ye
    end subroutine polint4f

    ! Parton density grids (real64) and text fields.

    ! The length of str without trailing blanks.
    function istrl(str)
      import :: int32
      character(len=*), intent(in) :: str
      integer(int32) :: istrl
    end function istrl

    ! str: the used parts of str1 and str2 joined, blank padded.
    subroutine strcat(str1, str2, str)
      character(len=*), intent(in) :: str1, str2
      character(len=*), intent(inout) :: str
    end subroutine strcat

    ! Loads grid member iset from the current directory into pelkgrid.
    subroutine pelkini(iset)
      import :: int32
      integer(int32), intent(in) :: iset
    end subroutine pelkini

    ! Multilinear interpolation of table on nodes at the point coord.
    function dfint_pelk(ndim, coord, nnodes, nodes, table)
      import :: int32, real64
      integer(int32), intent(in) :: ndim
      real(real64), intent(in) :: coord(ndim)
      integer(int32), intent(in) :: nnodes(ndim)
      real(real64), intent(in) :: nodes(*), table(*)
      real(real64) :: dfint_pelk
    end function dfint_pelk

    ! The six densities of the loaded member at x and q2.
    subroutine pelkfit(x, q2, dens1, dens2, dens3, dens4, dens5, dens6)
      import :: real64
      real(real64), intent(in) :: x, q2
      real(real64), intent(out) :: dens1, dens2, dens3, dens4, dens5, dens6
    end subroutine pelkfit

    ! I/O units: 0, or an errno value (see fio_units.h).

    ! Connects unit to the file path, created or emptied for writing.
    function fio_connect(unit, path)
      import :: int32
      integer(int32), intent(in) :: unit
      character(len=*), intent(in) :: path
      integer(int32) :: fio_connect
    end function fio_connect

    ! Connects unit to the existing file path for reading only.
    function fio_connect_read(unit, path)
      import :: int32
      integer(int32), intent(in) :: unit
      character(len=*), intent(in) :: path
      integer(int32) :: fio_connect_read
    end function fio_connect_read

    ! Closes the file connected to unit.
    function fio_disconnect(unit)
      import :: int32
      integer(int32), intent(in) :: unit
      integer(int32) :: fio_disconnect
    end function fio_disconnect

    ! 1 if unit is connected, else 0.
    function fio_connected(unit)
      import :: int32
      integer(int32), intent(in) :: unit
      integer(int32) :: fio_connected
    end function fio_connected

    ! The C interface (pdferr/tables.h, grids.h, uncertainty.h): every call
    ! returns a status code (PDFERR_OK, ...) and, when err is present, fills
    ! it; none stops the program.  Handles are type(c_ptr); counts are
    ! integer(c_size_t).  Outputs are written only on success.

    ! The short name of a status code ("file error", ...).
    function c_status_name(code) bind(c, name='pdferr_status_name')
      import :: c_int32_t, c_ptr
      integer(c_int32_t), value :: code
      type(c_ptr) :: c_status_name
    end function c_status_name

    ! Parton density table sets.

    function c_table_open(path, table, err) bind(c, name='pdferr_table_open')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      character(kind=c_char), intent(in) :: path(*)
      type(c_ptr), intent(out) :: table
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_table_open
    end function c_table_open

    function c_table_open_set(set, directory, table, err) bind(c, name='pdferr_table_open_set')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      integer(c_int32_t), value :: set
      character(kind=c_char), intent(in) :: directory(*)
      type(c_ptr), intent(out) :: table
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_table_open_set
    end function c_table_open_set

    ! Frees the table; c_null_ptr is accepted.
    function pdferr_table_close(table, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_error
      type(c_ptr), value :: table
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_close
    end function pdferr_table_close

    ! value: the density of flavour at (x, q), the bits of zemopdf;
    ! PDFERR_DOMAIN_ERROR outside its domain.
    function pdferr_table_value(table, flavour, x, q, value, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, pdferr_error
      type(c_ptr), value :: table
      integer(c_int32_t), value :: flavour
      real(c_double), value :: x, q
      real(c_double), intent(inout) :: value
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_value
    end function pdferr_table_value

    ! values(1..2 MxFlvN0 + 1): flavours -MxFlvN0..MxFlvN0 at (x, q); count
    ! is the length of values.
    function pdferr_table_values(table, x, q, values, count, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: table
      real(c_double), value :: x, q
      real(c_double), intent(inout) :: values(*)
      integer(c_size_t), value :: count
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_values
    end function pdferr_table_values

    ! Many points: point i is (x(i), q(i)), or (x(i), q) for the _scan
    ! calls, i = 1..n.  outside: PDFERR_OUTSIDE_REFUSE (the first point
    ! outside the domain is err%index + 1, nothing written) or
    ! PDFERR_OUTSIDE_NAN.  One flavour: values(i).
    function pdferr_table_value_points(table, flavour, x, q, n, values, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: table
      integer(c_int32_t), value :: flavour
      real(c_double), intent(in) :: x(*), q(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_value_points
    end function pdferr_table_value_points

    function pdferr_table_value_scan(table, flavour, x, q, n, values, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: table
      integer(c_int32_t), value :: flavour
      real(c_double), intent(in) :: x(*)
      real(c_double), value :: q
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_value_scan
    end function pdferr_table_value_scan

    ! Every flavour: values(f + MxFlvN0 + 1, i) of values(2 MxFlvN0 + 1, n);
    ! count is the length of values.
    function pdferr_table_values_points(table, x, q, n, values, count, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: table
      real(c_double), intent(in) :: x(*), q(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_size_t), value :: count
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_values_points
    end function pdferr_table_values_points

    function pdferr_table_values_scan(table, x, q, n, values, count, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: table
      real(c_double), intent(in) :: x(*)
      real(c_double), value :: q
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_size_t), value :: count
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_values_scan
    end function pdferr_table_values_scan

    function pdferr_table_get_info(table, info, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_table_info, pdferr_error
      type(c_ptr), value :: table
      type(pdferr_table_info), intent(inout) :: info
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_table_get_info
    end function pdferr_table_get_info

    ! Parton density grids.

    function c_grid_open(path, grid, err) bind(c, name='pdferr_grid_open')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      character(kind=c_char), intent(in) :: path(*)
      type(c_ptr), intent(out) :: grid
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_grid_open
    end function c_grid_open

    function c_grid_open_member(member, directory, grid, err) &
      bind(c, name='pdferr_grid_open_member')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      integer(c_int32_t), value :: member
      character(kind=c_char), intent(in) :: directory(*)
      type(c_ptr), intent(out) :: grid
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_grid_open_member
    end function c_grid_open_member

    ! Frees the grid; c_null_ptr is accepted.
    function pdferr_grid_close(grid, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_error
      type(c_ptr), value :: grid
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_grid_close
    end function pdferr_grid_close

    ! values(1..6): the six densities at (x, q2), the bits of pelkfit.
    function pdferr_grid_values(grid, x, q2, values, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, pdferr_error
      type(c_ptr), value :: grid
      real(c_double), value :: x, q2
      real(c_double), intent(inout) :: values(6)
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_grid_values
    end function pdferr_grid_values

    ! Many points, as for tables: values(1..6, i) of values(6, n).
    function pdferr_grid_values_points(grid, x, q2, n, values, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: grid
      real(c_double), intent(in) :: x(*), q2(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_grid_values_points
    end function pdferr_grid_values_points

    function pdferr_grid_values_scan(grid, x, q2, n, values, outside, err) bind(c)
      import :: c_ptr, c_int32_t, c_double, c_size_t, pdferr_error
      type(c_ptr), value :: grid
      real(c_double), intent(in) :: x(*)
      real(c_double), value :: q2
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: values(*)
      integer(c_int32_t), value :: outside
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_grid_values_scan
    end function pdferr_grid_values_scan

    function pdferr_grid_get_info(grid, info, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_grid_info, pdferr_error
      type(c_ptr), value :: grid
      type(pdferr_grid_info), intent(inout) :: info
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_grid_get_info
    end function pdferr_grid_get_info

    ! Error-set formulas (pdferr/uncertainty.h).

    ! z with Phi(z) = p, p in [0, 1].
    function pdferr_normal_quantile(p, z, err) bind(c)
      import :: c_int32_t, c_double, pdferr_error
      real(c_double), value :: p
      real(c_double), intent(inout) :: z
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_normal_quantile
    end function pdferr_normal_quantile

    ! The half-width of a level in standard deviations, and its central
    ! probability.
    function pdferr_confidence_z(level, z, err) bind(c)
      import :: c_int32_t, c_double, pdferr_confidence, pdferr_error
      type(pdferr_confidence), value :: level
      real(c_double), intent(inout) :: z
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_confidence_z
    end function pdferr_confidence_z

    function pdferr_confidence_probability(level, p, err) bind(c)
      import :: c_int32_t, c_double, pdferr_confidence, pdferr_error
      type(pdferr_confidence), value :: level
      real(c_double), intent(inout) :: p
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_confidence_probability
    end function pdferr_confidence_probability

    ! z(from) / z(to): an error at from divided by it is the error at to.
    function pdferr_rescale_factor(from, to, factor, err) bind(c)
      import :: c_int32_t, c_double, pdferr_confidence, pdferr_error
      type(pdferr_confidence), value :: from, to
      real(c_double), intent(inout) :: factor
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_rescale_factor
    end function pdferr_rescale_factor

    ! out(i): the Hessian errors at point i of values(points, 2 pairs + 1),
    ! whose column m + 1 is member m (central, +1, -1, +2, -2, ...).
    function pdferr_hessian(values, pairs, points, on_bad, out, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_hessian_errors, pdferr_error
      real(c_double), intent(in) :: values(*)
      integer(c_size_t), value :: pairs, points
      integer(c_int32_t), value :: on_bad
      type(pdferr_hessian_errors), intent(inout) :: out(*)
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_hessian
    end function pdferr_hessian

    ! Each error of errors divided by the factor from `from` to `to`.
    function pdferr_hessian_rescale(errors, from, to, err) bind(c)
      import :: c_int32_t, pdferr_confidence, pdferr_hessian_errors, pdferr_error
      type(pdferr_hessian_errors), intent(inout) :: errors
      type(pdferr_confidence), value :: from, to
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_hessian_rescale
    end function pdferr_hessian_rescale

    ! The correlation of x and y, both in member order, over a Hessian set.
    function pdferr_hessian_correlation(x, y, pairs, r, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_error
      real(c_double), intent(in) :: x(*), y(*)
      integer(c_size_t), value :: pairs
      real(c_double), intent(inout) :: r
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_hessian_correlation
    end function pdferr_hessian_correlation

    ! Replicas or draws v(1..n): the mean (n >= 1), the standard deviation
    ! with divisor n - 1 (n >= 2), the p-quantile by numpy's linear rule,
    ! the central interval at a level, the correlation of x and y (n >= 2).
    function pdferr_replicas_mean(v, n, mean, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_error
      real(c_double), intent(in) :: v(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: mean
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_replicas_mean
    end function pdferr_replicas_mean

    function pdferr_replicas_standard_deviation(v, n, sd, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_error
      real(c_double), intent(in) :: v(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: sd
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_replicas_standard_deviation
    end function pdferr_replicas_standard_deviation

    function pdferr_replicas_quantile(v, n, p, q, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_error
      real(c_double), intent(in) :: v(*)
      integer(c_size_t), value :: n
      real(c_double), value :: p
      real(c_double), intent(inout) :: q
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_replicas_quantile
    end function pdferr_replicas_quantile

    function pdferr_replicas_interval(v, n, level, low, high, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_confidence, pdferr_error
      real(c_double), intent(in) :: v(*)
      integer(c_size_t), value :: n
      type(pdferr_confidence), value :: level
      real(c_double), intent(inout) :: low, high
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_replicas_interval
    end function pdferr_replicas_interval

    function pdferr_replicas_correlation(x, y, n, r, err) bind(c)
      import :: c_int32_t, c_double, c_size_t, pdferr_error
      real(c_double), intent(in) :: x(*), y(*)
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: r
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_replicas_correlation
    end function pdferr_replicas_correlation

    ! The Monte Carlo band of pdferr band --cov, bit for bit: the central
    ! values central(1..points), variation i at point p in
    ! variations(p, i), i = 1..n, the covariance cov(n, n) of their
    ! coefficients (symmetric, positive definite, in single precision as the
    ! generator works), the generator's seed and the position of block 0,
    ! draws >= 2 (a 64-bit count) and the level.  At each point: the draws'
    ! mean, standard deviation (divisor draws - 1) and central interval.
    function pdferr_band_monte_carlo(central, variations, n, points, cov, seed, position, &
                                     draws, level, mean, sd, low, high, err) bind(c)
      import :: c_int32_t, c_int64_t, c_double, c_float, c_size_t, pdferr_confidence, &
        pdferr_error
      real(c_double), intent(in) :: central(*), variations(*)
      integer(c_size_t), value :: n, points
      real(c_float), intent(in) :: cov(*)
      integer(c_int32_t), value :: seed
      integer(c_int64_t), value :: position, draws
      type(pdferr_confidence), value :: level
      real(c_double), intent(inout) :: mean(*), sd(*), low(*), high(*)
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_band_monte_carlo
    end function pdferr_band_monte_carlo

    ! Member-set descriptions.

    function c_member_set_read(path, set, err) bind(c, name='pdferr_member_set_read')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      character(kind=c_char), intent(in) :: path(*)
      type(c_ptr), intent(out) :: set
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_member_set_read
    end function c_member_set_read

    function c_member_set_load(name, set, err) bind(c, name='pdferr_member_set_load')
      import :: c_char, c_ptr, c_int32_t, pdferr_error
      character(kind=c_char), intent(in) :: name(*)
      type(c_ptr), intent(out) :: set
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_member_set_load
    end function c_member_set_load

    function c_member_set_parse(text, length, base_directory, set, err) &
      bind(c, name='pdferr_member_set_parse')
      import :: c_char, c_ptr, c_int32_t, c_size_t, pdferr_error
      character(kind=c_char), intent(in) :: text(*)
      integer(c_size_t), value :: length
      character(kind=c_char), intent(in) :: base_directory(*)
      type(c_ptr), intent(out) :: set
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: c_member_set_parse
    end function c_member_set_parse

    ! Frees the set; c_null_ptr is accepted.
    function pdferr_member_set_close(set, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_error
      type(c_ptr), value :: set
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_member_set_close
    end function pdferr_member_set_close

    function pdferr_member_set_get_info(set, info, err) bind(c)
      import :: c_ptr, c_int32_t, pdferr_member_set_info, pdferr_error
      type(c_ptr), value :: set
      type(pdferr_member_set_info), intent(inout) :: info
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_member_set_get_info
    end function pdferr_member_set_get_info

    ! Member index (0-based, in member order).
    function pdferr_member_set_member(set, index, member, err) bind(c)
      import :: c_ptr, c_int32_t, c_size_t, pdferr_member, pdferr_error
      type(c_ptr), value :: set
      integer(c_size_t), value :: index
      type(pdferr_member), intent(inout) :: member
      type(pdferr_error), intent(out), optional :: err
      integer(c_int32_t) :: pdferr_member_set_member
    end function pdferr_member_set_member

    ! The strlen of the C library, for C text of any length.
    function c_strlen(text) bind(c, name='strlen')
      import :: c_ptr, c_size_t
      type(c_ptr), value :: text
      integer(c_size_t) :: c_strlen
    end function c_strlen

  end interface

contains

  ! Fortran text for C: text without its trailing blanks, ended by NUL.
  pure function c_text(text)
    character(len=*), intent(in) :: text
    character(kind=c_char, len=len_trim(text) + 1) :: c_text
    c_text = trim(text) // c_null_char
  end function c_text

  ! The message of err as Fortran text, without the NUL and what follows.
  function pdferr_message(err) result(text)
    type(pdferr_error), intent(in) :: err
    character(len=:), allocatable :: text
    integer :: n, k
    n = 0
    do while (n < size(err%message))
      if (err%message(n + 1) == c_null_char) exit
      n = n + 1
    end do
    allocate (character(len=n) :: text)
    do k = 1, n
      text(k:k) = err%message(k)
    end do
  end function pdferr_message

  ! The C text at p (a path or directory of a member set, a status name) as
  ! Fortran text; '' for c_null_ptr.
  function pdferr_string(p) result(text)
    type(c_ptr), intent(in) :: p
    character(len=:), allocatable :: text
    character(kind=c_char), pointer :: chars(:)
    integer(c_size_t) :: n, k
    n = 0
    if (c_associated(p)) n = c_strlen(p)
    allocate (character(len=n) :: text)
    if (n == 0) return
    call c_f_pointer(p, chars, [n])
    do k = 1, n
      text(k:k) = chars(k)
    end do
  end function pdferr_string

  ! The short name of a status code ("file error", ...).
  function pdferr_status_name(code) result(text)
    integer(c_int32_t), intent(in) :: code
    character(len=:), allocatable :: text
    text = pdferr_string(c_status_name(code))
  end function pdferr_status_name

  ! Loads the table file at path into table (c_null_ptr unless it
  ! succeeds); PDFERR_FILE_ERROR names the file, the line and the fault.
  function pdferr_table_open(path, table, err) result(status)
    character(len=*), intent(in) :: path
    type(c_ptr), intent(out) :: table
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    table = c_null_ptr
    status = c_table_open(c_text(path), table, err)
  end function pdferr_table_open

  ! Loads table set `set` (100: "zemo.00.pds", ...) found in directory,
  ! then in the folders of PDFERR_DATA_PATH, then in the working folder;
  ! directory '' or absent: the path and the working folder only.
  function pdferr_table_open_set(set, directory, table, err) result(status)
    integer(c_int32_t), intent(in) :: set
    character(len=*), intent(in), optional :: directory
    type(c_ptr), intent(out) :: table
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    table = c_null_ptr
    if (present(directory)) then
      status = c_table_open_set(set, c_text(directory), table, err)
    else
      status = c_table_open_set(set, c_null_char, table, err)
    end if
  end function pdferr_table_open_set

  ! Loads the grid file at path into grid (c_null_ptr unless it succeeds).
  function pdferr_grid_open(path, grid, err) result(status)
    character(len=*), intent(in) :: path
    type(c_ptr), intent(out) :: grid
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    grid = c_null_ptr
    status = c_grid_open(c_text(path), grid, err)
  end function pdferr_grid_open

  ! Loads grid member `member` (0: "PELK-GRID.NLO", 1..99:
  ! "pelk-plus-NN.grid", -1..-99: "pelk-minus-NN.grid"), found as table
  ! sets are.
  function pdferr_grid_open_member(member, directory, grid, err) result(status)
    integer(c_int32_t), intent(in) :: member
    character(len=*), intent(in), optional :: directory
    type(c_ptr), intent(out) :: grid
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    grid = c_null_ptr
    if (present(directory)) then
      status = c_grid_open_member(member, c_text(directory), grid, err)
    else
      status = c_grid_open_member(member, c_null_char, grid, err)
    end if
  end function pdferr_grid_open_member

  ! Reads the description file at path; PDFERR_FILE_ERROR with err%line.
  function pdferr_member_set_read(path, set, err) result(status)
    character(len=*), intent(in) :: path
    type(c_ptr), intent(out) :: set
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    set = c_null_ptr
    status = c_member_set_read(c_text(path), set, err)
  end function pdferr_member_set_read

  ! Reads the description called name: a path (holding a slash) as it
  ! stands, a plain name as NAME.members (or NAME) found in the folders of
  ! PDFERR_DATA_PATH, then in the working folder.
  function pdferr_member_set_load(name, set, err) result(status)
    character(len=*), intent(in) :: name
    type(c_ptr), intent(out) :: set
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    set = c_null_ptr
    status = c_member_set_load(c_text(name), set, err)
  end function pdferr_member_set_load

  ! Parses text, all of it (lines ended by achar(10)); a relative directory
  ! is taken from base_directory (absent or '': the working folder).
  function pdferr_member_set_parse(text, base_directory, set, err) result(status)
    character(len=*), intent(in) :: text
    character(len=*), intent(in), optional :: base_directory
    type(c_ptr), intent(out) :: set
    type(pdferr_error), intent(out), optional :: err
    integer(c_int32_t) :: status
    set = c_null_ptr
    if (present(base_directory)) then
      status = c_member_set_parse(text, len(text, c_size_t), c_text(base_directory), set, err)
    else
      status = c_member_set_parse(text, len(text, c_size_t), c_null_char, set, err)
    end if
  end function pdferr_member_set_parse

end module pdferr

! The named blocks.  Each is the library's block of that name: a program
! that uses a variable here reads and writes the library's block.  inout is
! declared with the two words the generator reads; a program that needs
! more of it declares the block itself, longer (and then does not use inp
! and iout from here).
module pdferr_blocks
  use, intrinsic :: iso_fortran_env, only: int32, real32, real64
  implicit none
  private :: int32, real32, real64

  ! The generator's lagged table, carry and indices.
  real(real32) :: uu(97), cc
  integer(int32) :: ilag, jlag
  common /raset1/ uu, cc, ilag, jlag

  ! iout: the unit of the generator's two messages (0 standard error, 6
  ! standard output, or a unit the program opened).
  integer(int32) :: inp, iout
  common /inout/ inp, iout

  ! The loaded table set.
  real(real64) :: alambda, xv(0:201), tv(0:25), pdfval(55275)
  common /vokpar1/ alambda, xv, tv, pdfval
  integer(int32) :: nx, nt, mxflvn0, mxval
  common /vokpar2/ nx, nt, mxflvn0, mxval
  real(real64) :: qini, qmax, xmin
  common /xqrange/ qini, qmax, xmin
  real(real64) :: mass(6)
  common /masstbl/ mass
  real(real64) :: qcdr1, qcdr2
  integer(int32) :: qcdi1, qcdi2, qcdi3
  common /qcdtbl/ qcdr1, qcdr2, qcdi1, qcdi2, qcdi3
  integer(int32) :: setchange
  common /setchange/ setchange
  integer(int32) :: zemojset
  common /zemojset/ zemojset

  ! The loaded grid member.
  real(real64) :: denstab(47, 30, 6), lognodes(77)
  integer(int32) :: nnodes(2)
  common /pelkgrid/ denstab, nnodes, lognodes
end module pdferr_blocks
