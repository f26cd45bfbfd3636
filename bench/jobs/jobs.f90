! The whole-process jobs done by a Fortran program with its own run-time's list-directed I/O, for
! comparison with the engine (built with each Fortran compiler found):
!     jobs write1 N   N WRITE statements of one single real each to standard output
!     jobs write4 N   N/4 WRITE statements of four single reals each
!     jobs read N     N READ statements of one single real each from standard input, then one
!                     WRITE of the count and the sum of the values read
!     jobs fwrite1 N  N formatted WRITE statements, '(F12.4)', of one single real each
!     jobs fread N    N formatted READ statements, '(F12.4)', of one single real each, then the
!                     list-directed WRITE of the count and the sum
! and the same on a file connected by OPEN (unit 10, the file named by the third argument):
!     jobs owrite1 N FILE   N list-directed WRITE statements of one single real each
!     jobs ofwrite1 N FILE  N formatted WRITE statements, '(F12.4)', of one single real each
!     jobs oread N FILE     N list-directed READ statements of one single real each, then the
!                           count and the sum on standard output
!     jobs ofread N FILE    the same with '(F12.4)'
!     jobs uwrite N FILE    one unformatted WRITE of an array of N double reals
!     jobs uread N FILE     one unformatted READ of them, then the count and the sum
! The values are those of values.h, made by the same steps.
module job_values
  implicit none
  integer(8), parameter :: modulus_mask = 4294967295_8
contains
  function next_state(s) result(t)
    integer(8), intent(in) :: s
    integer(8) :: t
    t = iand(s * 1664525_8 + 1013904223_8, modulus_mask)
  end function

  function job_value(s) result(x)
    integer(8), intent(inout) :: s
    real :: x
    integer(8) :: first, second, k
    integer :: e
    first = next_state(s)
    second = next_state(first)
    s = second
    k = ishft(second, -8)
    if (mod(k, 8_8) == 0) then
      e = int(mod(ishft(k, -3), 23_8))
    else
      e = int(mod(ishft(k, -3), 241_8)) - 120
    end if
    x = scale(1.0 + real(ishft(first, -9)) * 2.0**(-23), e)
    if (ishft(second, -31) /= 0) x = -x
  end function

  function job_fixed_value(s) result(x)
    integer(8), intent(inout) :: s
    real :: x
    integer(8) :: first, second
    first = next_state(s)
    second = next_state(first)
    s = second
    x = scale(1.0 + real(ishft(first, -9)) * 2.0**(-23), int(mod(ishft(second, -8), 26_8)) - 10)
    if (ishft(second, -31) /= 0) x = -x
  end function
end module

program jobs
  use job_values
  implicit none
  character(len=16) :: job, argument
  character(len=512) :: file_name
  integer :: n, i, status
  double precision, allocatable :: array(:)
  integer(8) :: s
  real :: x, y, z, w
  double precision :: total

  call get_command_argument(1, job)
  call get_command_argument(2, argument, status=status)
  n = 1000000
  if (status == 0 .and. len_trim(argument) > 0) read (argument, *) n
  call get_command_argument(3, file_name)
  s = 2026_8
  select case (job)
  case ('write1')
    do i = 1, n
      write (*, *) job_value(s)
    end do
  case ('write4')
    do i = 1, n, 4
      x = job_value(s)
      y = job_value(s)
      z = job_value(s)
      w = job_value(s)
      write (*, *) x, y, z, w
    end do
  case ('read')
    total = 0
    do i = 1, n
      read (*, *) x
      total = total + x
    end do
    write (*, *) n, total
  case ('fwrite1')
    do i = 1, n
      write (*, '(F12.4)') job_fixed_value(s)
    end do
  case ('fread')
    total = 0
    do i = 1, n
      read (*, '(F12.4)') x
      total = total + x
    end do
    write (*, *) n, total
  case ('owrite1')
    open (10, file=file_name, status='replace')
    do i = 1, n
      write (10, *) job_value(s)
    end do
    close (10)
  case ('ofwrite1')
    open (10, file=file_name, status='replace')
    do i = 1, n
      write (10, '(F12.4)') job_fixed_value(s)
    end do
    close (10)
  case ('oread', 'ofread')
    open (10, file=file_name, status='old')
    total = 0
    do i = 1, n
      if (job == 'oread') then
        read (10, *) x
      else
        read (10, '(F12.4)') x
      end if
      total = total + x
    end do
    close (10)
    write (*, *) n, total
  case ('uwrite')
    allocate (array(n))
    do i = 1, n
      array(i) = job_value(s)
    end do
    open (10, file=file_name, status='replace', form='unformatted')
    write (10) array
    close (10)
  case ('uread')
    allocate (array(n))
    open (10, file=file_name, status='old', form='unformatted')
    read (10) array
    close (10)
    write (*, *) n, sum(array)
  case default
    stop 2
  end select
end program
