! The I/O units of a Fortran program, for the toolkit's I/O runtime.
!
! Compiled with the program's gfortran into libpdferr_fortran: linked into a
! Fortran program, these functions let the runtime (units.cpp) use the
! program's own units, so that there is one table of units in the process.
! Each takes its arguments by value and returns a Fortran I/O status (0:
! done); the C declarations are in fio/fortran_units.hpp.

! -1 for a number that is not a unit, 0 for a unit not connected; else 1,
! plus 2 when the unit may be read, plus 4 when it may be written.
function pdferr_fortran_unit_state(unit) bind(c) result(state)
  use, intrinsic :: iso_c_binding, only: c_int32_t
  implicit none
  integer(c_int32_t), value :: unit
  integer(c_int32_t) :: state
  logical :: opened
  character(len=8) :: can_read, can_write
  integer :: ios

  inquire (unit=unit, opened=opened, read=can_read, write=can_write, iostat=ios)
  if (ios /= 0) then
    state = -1
  else if (.not. opened) then
    state = 0
  else
    state = 1
    if (can_read /= 'NO') state = state + 2
    if (can_write /= 'NO') state = state + 4
  end if
end function pdferr_fortran_unit_state

! Writes length bytes of text as one record on unit.  A unit that is not
! connected is connected to the file fort.N, as by any WRITE of the program.
function pdferr_fortran_write(unit, text, length) bind(c) result(ios)
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_size_t, c_char
  implicit none
  integer(c_int32_t), value :: unit
  integer(c_size_t), value :: length
  character(kind=c_char), intent(in) :: text(length)
  integer(c_int32_t) :: ios
  character(kind=c_char, len=length) :: line
  integer(c_size_t) :: k

  do k = 1, length
    line(k:k) = text(k)
  end do
  write (unit, '(A)', iostat=ios) line
end function pdferr_fortran_write

! Reads on in the current record of unit, at most capacity bytes into
! buffer and their count into length: 0 when the record ended, 1 when the
! buffer is full and the record goes on, -1 at the end of the file, a
! positive status on an error.
function pdferr_fortran_read(unit, buffer, capacity, length) bind(c) result(status)
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_size_t, c_char
  use, intrinsic :: iso_fortran_env, only: iostat_end, iostat_eor
  implicit none
  integer(c_int32_t), value :: unit
  integer(c_size_t), value :: capacity
  character(kind=c_char), intent(out) :: buffer(capacity)
  integer(c_size_t), intent(out) :: length
  integer(c_int32_t) :: status
  character(kind=c_char, len=capacity) :: chunk
  integer :: ios, n, k

  n = 0
  read (unit, '(A)', advance='no', size=n, iostat=ios) chunk
  length = 0
  if (ios > 0) then
    status = ios
    return
  end if
  do k = 1, n
    buffer(k) = chunk(k:k)
  end do
  length = n
  if (ios == iostat_end) then
    status = -1
  else if (ios == iostat_eor) then
    status = 0
  else
    status = 1
  end if
end function pdferr_fortran_read

! The name of the file connected to unit, at most capacity bytes into
! buffer; returns its length, 0 when there is none.
function pdferr_fortran_name(unit, buffer, capacity) bind(c) result(length)
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_size_t, c_char
  implicit none
  integer(c_int32_t), value :: unit
  integer(c_size_t), value :: capacity
  character(kind=c_char), intent(out) :: buffer(capacity)
  integer(c_size_t) :: length
  character(len=4096) :: name
  logical :: named
  integer :: ios
  integer(c_size_t) :: k

  length = 0
  inquire (unit=unit, named=named, name=name, iostat=ios)
  if (ios /= 0 .or. .not. named) return
  length = min(int(len_trim(name), c_size_t), capacity)
  do k = 1, length
    buffer(k) = name(k:k)
  end do
end function pdferr_fortran_name

! Connects unit to the file named by length bytes of path: an existing file
! for reading only (reading /= 0), else a file created or emptied for
! writing only.
function pdferr_fortran_open(unit, path, length, reading) bind(c) result(ios)
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_size_t, c_char
  implicit none
  integer(c_int32_t), value :: unit, reading
  integer(c_size_t), value :: length
  character(kind=c_char), intent(in) :: path(length)
  integer(c_int32_t) :: ios
  character(kind=c_char, len=length) :: name
  integer(c_size_t) :: k

  do k = 1, length
    name(k:k) = path(k)
  end do
  if (reading /= 0) then
    open (unit=unit, file=name, status='old', action='read', iostat=ios)
  else
    open (unit=unit, file=name, status='replace', action='write', iostat=ios)
  end if
end function pdferr_fortran_open

function pdferr_fortran_close(unit) bind(c) result(ios)
  use, intrinsic :: iso_c_binding, only: c_int32_t
  implicit none
  integer(c_int32_t), value :: unit
  integer(c_int32_t) :: ios

  close (unit, iostat=ios)
end function pdferr_fortran_close

! The unit the file named by length bytes of path is connected to, -1 if
! none.
function pdferr_fortran_file_unit(path, length) bind(c) result(unit)
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_size_t, c_char
  implicit none
  integer(c_size_t), value :: length
  character(kind=c_char), intent(in) :: path(length)
  integer(c_int32_t) :: unit
  character(kind=c_char, len=length) :: name
  logical :: opened
  integer :: ios, number
  integer(c_size_t) :: k

  do k = 1, length
    name(k:k) = path(k)
  end do
  unit = -1
  inquire (file=name, opened=opened, number=number, iostat=ios)
  if (ios == 0 .and. opened) unit = number
end function pdferr_fortran_file_unit
