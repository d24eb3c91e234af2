! The toolkit for Fortran programs.
!
! Module pdferr: an explicit interface for every routine and function of the
! three subsystems and of the I/O runtime, with the exact kinds of their
! arguments, so that a REAL passed where a DOUBLE PRECISION is due, a wrong
! number of arguments, or a function used without its type is a compile
! error instead of a wrong number at run time.  Module pdferr_blocks: the
! named blocks, as the common blocks of the library (the same objects), one
! variable per field.
!
!   use pdferr                          ! every routine
!   use pdferr_blocks, only: iout, nx   ! the fields you use, by name
!
! Reals are real32 in the random sampling routines and real64 in the tables
! and grids; integers are int32.  The routines are the library's under their
! gfortran names: this file declares them and defines nothing, so a program
! compiles it (or finds its .mod files) and links the libraries only.
! Scalars are read where they are intent(in); arrays the routines leave
! untouched in some cases (a count of zero, an error) are intent(inout).
module pdferr
  use, intrinsic :: iso_fortran_env, only: int32, real32, real64
  implicit none
  private
  public :: ranmar, rmarin, rmarut, gaudev, corset, mvndev
  public :: setzemo, nextun, readpds0, zemopdf, partonx10, polint4f
  public :: istrl, strcat, pelkini, dfint_pelk, pelkfit
  public :: fio_connect, fio_connect_read, fio_disconnect, fio_connected

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

  end interface
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
