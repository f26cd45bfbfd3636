! What flang's own run-time gives besides I/O, with lncalc's program start in place of flang's:
! the command line, the environment, character comparison, MOD and the date.
program command
  implicit none
  character(len=20) :: argument, value
  character(len=8) :: date
  integer :: count, length, status, k
  count = command_argument_count()
  write(*,*) 'arguments:', count
  do k = 0, count
    call get_command_argument(k, argument, length, status)
    if (k == 0) then
      write(*,*) 'program name given:', length > 0
    else
      write(*,*) k, argument(1:length), length, status
    end if
  end do
  call get_environment_variable('LNCALC_FRONT_TEST', value, length, status)
  write(*,*) 'variable:', value(1:length), length, status
  call get_environment_variable('LNCALC_FRONT_UNSET', value, length, status)
  write(*,*) 'unset variable:', length, status
  call date_and_time(date=date)
  write(*,*) 'date digits:', verify(date, '0123456789') == 0
  write(*,*) 'compare:', 'abc' < 'abd', 'abc' == 'abc  ', mod(-17, 5), modulo(-17, 5)
end program command
