! PAUSE between two records: an empty reply goes on at once, a command runs before the program
! goes on.
program pauses
  implicit none
  write(*,*) 'before'
  pause
  write(*,*) 'after'
end program pauses
