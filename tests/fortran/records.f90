! Unformatted and direct-access records: the first line of input picks a case. The test reads
! the files a case leaves behind byte for byte.
program records
  implicit none
  integer :: choice, n, k, ios
  real :: a(3), x
  character(len=3) :: c
  character(len=80) :: message

  read(*,*) choice
  select case (choice)
  case (1)
    open(20, file='seq.bin', form='unformatted', status='replace')
    write(20) 7
    write(20) (/ 1.0, 2.0, 0.5 /)
    write(20) 'abc'
    rewind 20
    read(20) n
    read(20) a
    read(20) c
    write(*,*) n, a, ' ', c
    backspace 20
    c = '???'
    read(20) c
    write(*,*) 'again ', c
    read(20, end=10) n
    write(*,*) 'not reached'
10  write(*,*) 'end of file'
    close(20)
  case (2)
    open(21, file='direct.bin', access='direct', form='unformatted', recl=8)
    write(21, rec=3) 3, 3.5
    write(21, rec=1) 1, 1.5
    read(21, rec=3) n, x
    read(21, rec=1) k, a(1)
    inquire(21, nextrec=ios)
    write(*,*) n, x, k, a(1), ios
    read(21, rec=5, iostat=ios) n
    write(*,*) 'past the file', ios
    write(21, rec=2, iostat=ios, iomsg=message) 1, 2, 3
    write(*,*) ios, trim(message)
    close(21)
  case (3)
    open(22, file='direct.txt', access='direct', form='formatted', recl=6)
    write(22, '(I6)', rec=2) 22
    write(22, '(A)', rec=1) 'one'
    read(22, '(I6)', rec=2) n
    read(22, '(A)', rec=1) c
    write(*,*) n, ' ', c
    close(22)
  case (4)
    open(23, file='seq.txt', status='replace')
    write(23, '(I3)', rec=1, iostat=ios, iomsg=message) 1
    write(*,*) ios, trim(message)
    write(23, iostat=ios, iomsg=message) 1
    write(*,*) ios, trim(message)
    close(23, status='delete')
    open(23, file='seq.txt', status='replace')
    write(23, '(I3)', rec=1) 1
  end select
end program records
