! A Fortran analysis program through the interface module, built with the
! README's link line (pkg-config pdferr-fortran).
program consumer
  use pdferr
  use pdferr_blocks, only: ilag, jlag, iout, nx, nt, mxflvn0, mxval, nnodes
  implicit none
  real :: u(5), d(5), cov(2, 2), c(2, 2), x(2)
  double precision :: f(-5:5), r(6), q
  character(len=20) :: name
  integer :: k, iq

  iout = 6
  call rmarin(54217137, 0, 0)
  write (*, '(A,2(1X,I0))') 'raset1', ilag, jlag
  call ranmar(u, 5)
  write (*, '(A,5(1X,I0))') 'ranmar', (int(u(k) * 16777216.0), k = 1, 5)
  call rmarin(54217137, 0, 0)
  call gaudev(d, 5)
  write (*, '(A,5(1X,Z8.8))') 'gaudev', (transfer(d(k), 0), k = 1, 5)
  cov = reshape([4.0, 2.0, 0.0, 5.0], [2, 2])
  c = 0.0
  call corset(cov, c, 2)
  call mvndev(c, x, 2)
  write (*, '(A,2(1X,Z8.8))') 'mvndev', (transfer(x(k), 0), k = 1, 2)

  call setzemo(100)
  write (*, '(A,4(1X,I0))') 'vokpar2', nx, nt, mxflvn0, mxval
  do iq = 1, 2
    q = 10.0d0**iq
    do k = -5, 5
      f(k) = zemopdf(k, 0.01d0, q)
    end do
    write (*, '(A,11(1X,Z16.16))') 'zemopdf', (transfer(f(k), 0_8), k = -5, 5)
  end do

  call pelkini(0)
  write (*, '(A,2(1X,I0))') 'pelkgrid', nnodes(1), nnodes(2)
  call pelkfit(0.01d0, 100.0d0, r(1), r(2), r(3), r(4), r(5), r(6))
  write (*, '(A,6(1X,Z16.16))') 'pelkfit', (transfer(r(k), 0_8), k = 1, 6)
  call strcat('pelk-plus- ', '07', name)
  write (*, '(A,1X,A,1X,I0)') 'strcat', name(1:istrl(name)), istrl(name)
end program consumer
