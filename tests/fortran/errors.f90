! Statements that fail: the first line of input picks one. Without IOSTAT= a failure ends the
! program with the run-time's report, which names this file and the statement's line.
program errors
  implicit none
  integer :: choice, n, status
  integer(8) :: big
  character(len=80) :: message
  real :: x

  read(*,*) choice
  select case (choice)
  case (1)
    read(*,*) n
    write(*,*) 'read', n
  case (2)
    message = 'untouched'
    read(*,*,iostat=status,iomsg=message) n
    write(*,*) 'status', status
    write(*,*) trim(message)
    read(*,*,iostat=status) n
    write(*,*) 'end of file', status
  case (3)
    read(*,*,err=10) n
    write(*,*) 'not reached'
10  write(*,*) 'error branch taken'
    read(*,*,end=20) n
    write(*,*) 'not reached'
20  write(*,*) 'end branch taken'
  case (4)
    big = 5
    write(*,*) 'big', big
  case (5)
    open(10, file='never.txt', access='stream')
  case (6)
    open(10, file='never.txt', access='stream', iostat=status, iomsg=message)
    write(*,*) 'open status', status
    write(*,*) trim(message)
  case (7)
    write(*,'(A,I3)') 'formatted', 7
  case (8)
    x = 1.0e30
    x = x * x
    write(*,*) x
  end select
end program errors
