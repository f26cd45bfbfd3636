! The calculator's dialogue written as a Fortran program: the banner, the prompt, one value
! read, its natural logarithm, and the closing prompt with its reply. For comparison of the whole
! process with the calculator (built statically with each Fortran compiler found).
program dialogue
  implicit none
  real :: x
  character(len=132) :: reply
  write (*, *) '*****  *****  *****        *   *****   *'
  write (*, *) '  *    *      *           **       *  **'
  write (*, *) '  *    *      *          * *      *    *'
  write (*, *) '  *    ****   ****      *  *     *     *'
  write (*, *) '  *    *      *         *****    *     *'
  write (*, *) '  *    *      *            *     *     *'
  write (*, *) '  *    *****  *            *     *    ***   Quorvaltemsin'
  write (*, *)
  write (*, *) 'Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:'
  read (*, *) x
  write (*, *) 'ln(', x, ')=', log(x)
  write (*, *)
  write (*, *) 'Programi sonlandirmak icin enter a basiniz.'
  read (*, '(A)') reply
end program
