C     The calculator's dialogue, statement for statement, in fixed form.
      PROGRAM CALC
      REAL X, Y
      WRITE(*,*) '*****  *****  *****        *   *****   *'
      WRITE(*,*) '  *    *      *           **       *  **'
      WRITE(*,*) '  *    *      *          * *      *    *'
      WRITE(*,*) '  *    ****   ****      *  *     *     *'
      WRITE(*,*) '  *    *      *         *****    *     *'
      WRITE(*,*) '  *    *      *            *     *     *'
      WRITE(*,*) '  *    *****  *            *     *    ***   ' //
     &           'Quorvaltemsin'
      WRITE(*,*)
      WRITE(*,*) 'Dogal logaritmasinin hesaplanmasini istediginiz ' //
     &           'degeri giriniz:'
      READ(*,*) X
      Y = LOG(X)
      WRITE(*,*) 'ln(', X, ')=', Y
      WRITE(*,*)
      PAUSE 'Programi sonlandirmak icin enter a basiniz.'
      END
