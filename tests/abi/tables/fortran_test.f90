! The table subsystem called from gfortran: routines under their gfortran
! names, arguments by address, the blocks as common blocks.  Runs in a
! directory holding the bundled synthetic set zemo.00.pds (60 x nodes, 16 t
! nodes, MxFlvN0 = 5, mxval = 2).
program fortran_test
  implicit none
  integer :: nx, nt, mxflvn0, mxval
  common /vokpar2/ nx, nt, mxflvn0, mxval
  integer :: jset
  common /zemojset/ jset
  double precision :: qcdr1, qcdr2
  integer :: qcdi1, qcdi2, qcdi3
  common /qcdtbl/ qcdr1, qcdr2, qcdi1, qcdi2, qcdi3
  double precision :: qini, qmax, xmin
  common /xqrange/ qini, qmax, xmin
  double precision :: alambda, xv(0:201), tv(0:25), pdfval(55275)
  common /vokpar1/ alambda, xv, tv, pdfval
  double precision, external :: zemopdf, partonx10
  integer, external :: nextun
  double precision :: v, t, expected, xa(4), ya(4), ye
  integer :: nfail, k

  nfail = 0
  call setzemo(100)
  if (nx /= 60 .or. nt /= 16 .or. mxflvn0 /= 5 .or. mxval /= 2) call fail('vokpar2')
  if (jset /= 100) call fail('zemojset')
  if (qcdi2 /= 2 .or. qcdi3 /= 5 .or. qcdi1 /= 2) call fail('qcdtbl')
  if (qini /= 1.3d0 .or. qmax /= 10000d0) call fail('xqrange')
  if (xv(0) /= 0d0 .or. xv(nx) /= 1d0 .or. alambda /= 0.2d0) call fail('vokpar1')

  ! The generating shape, reproduced closely by the interpolation.
  t = log(log(10d0 / 0.2d0))
  expected = 0.3d0 * 0.1d0**(-1.2d0) * 0.9d0**(3d0 + 0.5d0 * t) * (1d0 + 0.1d0 * t)
  v = zemopdf(0, 0.1d0, 10d0)
  if (abs(v - expected) > 1d-3 * expected) call fail('zemopdf value')
  if (zemopdf(3, 0.1d0, 10d0) /= zemopdf(-3, 0.1d0, 10d0)) call fail('flavour slots')
  if (zemopdf(1, 0.1d0, 10d0) /= partonx10(1, 0.1d0, 10d0)) call fail('partonx10')

  xa = [1d0, 2d0, 3d0, 4d0]
  ya = xa**3
  do k = 1, 4
    call polint4f(xa, ya, xa(k), ye)
    if (ye /= ya(k)) call fail('polint4f')
  end do
  if (nextun() /= 10) call fail('nextun')

  ! The same file on a unit of the program's own, for readpds0; nextun
  ! passes over that unit.
  open (10, file='zemo.00.pds', status='old')
  if (nextun() /= 11) call fail('nextun with unit 10 open')
  call readpds0(10)
  close (10)
  if (zemopdf(0, 0.1d0, 10d0) /= v) call fail('zemopdf after readpds0')

  if (nfail /= 0) stop 1
  print '(a)', 'fortran interface ok'

contains

  subroutine fail(what)
    character(len=*), intent(in) :: what
    print '(2a)', 'failed: ', what
    nfail = nfail + 1
  end subroutine fail

end program fortran_test
