! A gfortran program against the grid subsystem: loads the coded member
! (written into the working directory by the test set-up), reads the block
! through COMMON /pelkgrid/, evaluates, and calls istrl and strcat with
! character arguments.  Any failure ends with STOP 1.
program grids_fortran_test
  implicit none
  double precision :: denstab(47, 30, 6), lognodes(77)
  integer :: nnodes(2)
  common /pelkgrid/ denstab, nnodes, lognodes
  integer :: istrl
  double precision :: dfint_pelk
  external istrl, strcat, pelkini, pelkfit, dfint_pelk
  double precision :: d(6), u, x, expect
  character(len=20) :: name
  character(len=2) :: two, digit
  integer :: c, failures

  failures = 0
  call pelkini(3)
  if (nnodes(1) /= 47 .or. nnodes(2) /= 30) call fail('nnodes')
  if (lognodes(1) /= log(1d-5) .or. lognodes(77) /= log(1d6)) call fail('lognodes')
  ! Line 31 of the coded member is x node 2 at Q2 node 1: column 1 holds
  ! 1.0100E+00 there.
  u = 1d0 - 4d-5
  if (denstab(2, 1, 1) /= 1.01d0 / ((u * (u * u)) * 4d-5)) call fail('denstab(2,1,1)')
  if (any(denstab(47, :, :) /= 0d0)) call fail('denstab(47,:,:)')

  ! At x node 1 and Q2 node 2 (file line 2) the results are the file's
  ! values up to rounding.
  x = 1d-5
  call pelkfit(x, 1d0, d(1), d(2), d(3), d(4), d(5), d(6))
  do c = 1, 6
    expect = 1.0001d0 * 10d0**(c - 1)
    if (abs(d(c) - expect) > 1d-14 * expect) call fail('pelkfit')
  end do

  if (dfint_pelk(1, 1.5d0, 3, [0d0, 1d0, 2d0], [0d0, 10d0, 40d0]) /= 25d0) call fail('dfint_pelk')

  if (istrl('abc  ') /= 3) call fail('istrl abc')
  if (istrl('   ') /= 0) call fail('istrl blanks')
  digit = '7 '
  call strcat('0', digit, two)
  if (two /= '07') call fail('strcat digits')
  call strcat('pelk-plus- ', two, name)
  if (name /= 'pelk-plus-07' .or. istrl(name) /= 12) call fail('strcat name')

  if (failures /= 0) stop 1
  write(*, '(A)') 'grids fortran test passed'

contains

  subroutine fail(what)
    character(len=*), intent(in) :: what
    write(*, '(2A)') 'failed: ', what
    failures = failures + 1
  end subroutine fail

end program grids_fortran_test
