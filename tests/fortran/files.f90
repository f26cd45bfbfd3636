! File statements on the run-time: the first line of input picks a case. The test reads the
! files a case leaves behind byte for byte.
program files
  implicit none
  integer :: choice, unit, n, k, ios, length
  integer(2) :: next
  logical :: there, opened, named
  character(len=12) :: word, access, form, position, action, delim, stream, direct
  character(len=80) :: name, message

  read(*,*) choice
  select case (choice)
  case (1)
    open(10, file='seq.txt', status='replace', delim='none', pad='yes', sign='suppress', &
         decimal='point', round='processor_defined', encoding='default')
    do k = 1, 3
      write(10,*) 'record', k
    end do
    flush(10)
    inquire(10, position=position)
    write(*,*) 'after FLUSH: ', trim(position)
    rewind 10
    read(10,*) word, n
    read(10,*) word, n
    backspace 10
    read(10,*) word, n
    write(*,*) 'read again: ', trim(word), n
    endfile 10
    inquire(10, exist=there, opened=opened, number=n, name=name, named=named, access=access, &
            form=form, recl=length, position=position, action=action, delim=delim, &
            stream=stream, direct=direct, carriagecontrol=word)
    write(*,*) there, opened, named, n, ' ', trim(name)
    write(*,*) trim(access), ' ', trim(form), length, ' ', trim(position), ' ', trim(action)
    write(*,*) trim(delim), ' ', trim(stream), ' ', trim(direct), ' ', trim(word)
    read(10,*,iostat=ios) word
    write(*,*) 'after ENDFILE', ios
    close(10)
  case (2)
    open(newunit=unit, file='seq.txt', status='old', action='read')
    read(unit,*) word, n
    inquire(file='seq.txt', number=k, opened=opened)
    write(*,*) 'NEWUNIT', unit, k, opened, ' ', trim(word), n
    flush(unit, iostat=ios)
    write(*,*) 'FLUSH', ios
    close(unit, status='delete')
    inquire(file='seq.txt', exist=there)
    write(*,*) 'deleted', .not. there
  case (3)
    open(11, file='direct.txt', access='direct', form='formatted', recl=20)
    next = 99
    inquire(11, access=access, form=form, recl=length, nextrec=next, position=position)
    write(*,*) trim(access), ' ', trim(form), length, next, ' ', trim(position)
    read(11, '(I5)', rec=2, iostat=ios, iomsg=message) n
    write(*,*) ios, trim(message)
    close(11, status='delete')
  case (4)
    open(12, file='missing.txt', status='old', iostat=ios, iomsg=message)
    write(*,*) ios, trim(message)
    open(12, file='missing.txt', status='old', err=10)
    write(*,*) 'not reached'
10  write(*,*) 'ERR= branch taken'
    open(40000, file='x.txt', iostat=ios)
    write(*,*) 'unit out of range', ios
  case (5)
    open(12, file='  missing.txt  ', status='old')
  case (6)
    open(13, file='x.txt', delim='quote')
  case (7)
    open(6, file='six.txt', status='replace')
    print *, 'to the file'
    write(6,'(I3,A)') 5, 'x'
    close(6)
    print *, 'to the console'
  case (8)
    name = 'kept'
    next = 5
    inquire(20, number=n, name=name, nextrec=next, access=access, delim=delim, opened=opened)
    write(*,*) n, ' ', trim(name), next, ' ', trim(access), ' ', trim(delim), opened
    inquire(20, size=n, iostat=ios, iomsg=message)
    write(*,*) ios, trim(message)
  case (9)
    open(14, file='flushed.txt', status='replace')
    write(14,*) 'kept'
    flush(14)
    write(14,*) 'lost with the process'
    call abort()
  end select
end program files
