! List-directed output and input of every item type the run-time has, scalars, whole arrays and
! array sections, on the console.
program items
  implicit none
  integer(1) :: i1
  integer(2) :: i2
  integer(4) :: i4, vector(5), grid(2,3)
  logical(1) :: l1
  logical(2) :: l2
  logical(4) :: l4, flags(3)
  real(4) :: r4, reals(4)
  real(8) :: r8
  complex(4) :: c4
  complex(8) :: c8, pair(2)
  character(len=5) :: word, words(2)
  integer :: k

  i1 = -128
  i2 = 32767
  i4 = -2147483647
  l1 = .true.
  l2 = .false.
  l4 = .true.
  r4 = 2.5
  r8 = 3.141592653589793d0
  c4 = (1.5, -2.0)
  c8 = (0.1d0, -1.0d100)
  word = 'abc'
  write(*,*) 'integers:', i1, i2, i4
  write(*,*) 'logicals:', l1, l2, l4
  write(*,*) 'reals:', r4, r8
  write(*,*) 'complex:', c4, c8
  write(*,*) 'character:', word, '|'
  vector = [(k * k, k = 1, 5)]
  grid = reshape([(k, k = 1, 6)], [2, 3])
  flags = [.true., .false., .true.]
  reals = [0.5, 1.0, 100.0, 1.0e10]
  pair = [(1.0d0, 2.0d0), (-3.0d0, 4.0d0)]
  words = ['one  ', 'two  ']
  write(*,*) 'vector:', vector
  write(*,*) 'every other:', vector(1:5:2)
  write(*,*) 'grid row 2:', grid(2,:)
  write(*,*) 'grid:', grid
  write(*,*) 'flags:', flags, 'reals:', reals
  write(*,*) 'pair:', pair
  write(*,*) 'words:', words
  write(*,*) 'Give i1 i2 i4 l1 l2 l4 r4 r8 c4 c8 word:'
  read(*,*) i1, i2, i4, l1, l2, l4, r4, r8, c4, c8, word
  write(*,*) i1, i2, i4, l1, l2, l4
  write(*,*) r4, r8, c4, c8, word
  write(*,*) 'Give the vector, then every other element of it:'
  read(*,*) vector
  read(*,*) vector(1:5:2)
  write(*,*) vector
  write(*,*) 'Give a row of the grid, three flags and two words:'
  read(*,*) grid(1,:), flags, words
  write(*,*) grid, flags, words
end program items
