! Internal files: list-directed and formatted, a character scalar and arrays, input and output.
program internal
  implicit none
  character(len=30) :: line
  character(len=8) :: rows(2), grid(2,2), spaced(4)
  integer :: n, k, ios
  real :: x
  character(len=80) :: message
  character(len=4) :: parts(5), table(2,2)

  write(line,*) 'n =', 42, .true.
  write(*,*) '[', line, ']'
  line = ' 7, 2.5 '
  read(line,*) n, x
  write(*,*) n, x
  write(rows,'(I3/A)') 7, 'ab'
  write(*,*) '[', rows(1), '][', rows(2), ']'
  read(rows,'(I3/A2)') k, line
  write(*,*) k, ' ', trim(line)
  grid = 'x'
  write(grid,*) 'one'
  write(*,*) '[', grid(1,1), '][', grid(2,1), ']'
  line = '5'
  read(line,'(I3/I3)',iostat=ios) n, k
  write(*,*) 'past the last record', ios, n
  write(rows,'(A/A/A)',iostat=ios) 'a', 'b', 'c'
  write(*,*) 'past the last element', ios
  write(spaced(1:4:2),'(A)',iostat=ios,iomsg=message) 'a'
  write(*,*) ios
  write(*,*) trim(message)
  write(line,'(F8.3)') 1.0 / 3.0
  write(*,*) line(1:8)
  ! formats held in arrays: a section with gaps, and two dimensions
  parts = [character(len=4) :: '(1X,', 'xx', 'I2,', 'xx', 'I3)']
  table = reshape([character(len=4) :: '(1X,', 'I2,', '"|",', 'I2)'], [2, 2])
  write(*,parts(1:5:2)) 3, 4
  write(*,table) 1, 2
  line = ' 12 34'
  read(line,parts(1:5:2)) n, k
  write(*,*) n, k
end program internal
