! STOP in each form, picked by the first line of input, after a record whose line end is still
! owed: the exit sequence writes it whatever the code.
program stops
  implicit none
  integer :: choice
  read(*,*) choice
  write(*,*) 'stopping'
  select case (choice)
  case (1)
    stop
  case (2)
    stop 3
  case (3)
    stop 'all done'
  case (4)
    error stop
  case (5)
    error stop 4
  case (6)
    error stop 'gave up'
  case (7)
    call exit(5)
  end select
  write(*,*) 'end reached'
end program stops
