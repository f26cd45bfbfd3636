! Formats given as character arrays: the elements one after another, whole arrays of one and two
! dimensions and a section with gaps, for output and input.
program array_formats
  implicit none
  character(len=4) :: row(4), parts(5), grid(2,2)
  character(len=12) :: line
  integer :: n, k

  row = [character(len=4) :: '(1X,', 'A,I3', ',"!"', ')']
  write(*,row) 'n=', 42
  parts = [character(len=4) :: '(I2,', 'xx', '" x"', 'xx', ',I2)']
  write(*,parts(1:5:2)) 3, 4
  grid(1,1) = '(2I'
  grid(2,1) = '3,A'
  grid(1,2) = ',"|"'
  grid(2,2) = ')'
  write(*,grid) 1, 2, 'g'
  line = ' 12 34'
  parts(1) = '(I3'
  parts(5) = ',I3)'
  read(line,parts(1:5:4)) n, k
  write(*,*) n, k
end program array_formats
