! A Fortran analysis program calling the random sampling toolkit through its
! gfortran names, reading the generator's block and setting the message unit,
! also to a unit of its own.  It prints what it finds; the process test
! compares the transcript.
program fortran_interface
  implicit none
  real :: uu(97), cc
  integer :: ilag, jlag
  common /raset1/ uu, cc, ilag, jlag
  ! A longer declaration than the two words the generator reads.
  integer :: io(64)
  common /inout/ io
  real :: v(5), d(5), cov(2, 2), c(2, 2), x(2)
  integer :: iseed, icount, iblocks, k
  character(len=80) :: line

  io(2) = 6
  call rmarut(iseed, icount, iblocks)
  write (*, '(A,3I11)') 'fresh', iseed, icount, iblocks
  call rmarin(54217137, 0, 0)
  write (*, '(A,2I4,I10)') 'block', ilag, jlag, nint(cc * 2.0**24)
  call ranmar(v, 5)
  write (*, '(A,5I10)') 'ranmar', (nint(v(k) * 2.0**24), k = 1, 5)
  call rmarut(iseed, icount, iblocks)
  write (*, '(A,3I11)') 'rmarut', iseed, icount, iblocks
  call rmarin(54217137, 0, 0)
  call gaudev(d, 5)
  write (*, '(A,5Z9)') 'gaudev', (transfer(d(k), 0), k = 1, 5)
  cov = reshape([4.0, 2.0, 0.0, 5.0], [2, 2])
  c = -1.0
  call corset(cov, c, 2)
  write (*, '(A,4F6.1)') 'corset', c
  call rmarin(54217137, 0, 0)
  call mvndev(c, x, 2)
  write (*, '(A,2Z9)') 'mvndev', (transfer(x(k), 0), k = 1, 2)
  call mvndev(c, x, 101)

  ! The generator's lines join the program's own on a unit it opened.
  open (20, status='scratch')
  write (20, '(A)') 'own line'
  io(2) = 20
  call rmarin(54217137, 2, 0)
  io(2) = 6
  write (20, '(A)') 'own line after'
  rewind (20)
  do k = 1, 4
    read (20, '(A)') line
    write (*, '(2A)') 'unit 20: ', trim(line)
  end do
  close (20)
end program fortran_interface
