C     PAUSE with its operand in fixed form: a label, blanks inside the keyword, a text that
C     fits column 72 only when the call is written without blanks.
      PROGRAM PFIXED
      INCLUDE 'pause_words.inc'
      WRITE(*,*) GREETING
   20 PAUSE 7
      PA USE 'spaced keyword'
      PAUSE '50 characters: ..................................!' ! dropped
      PAUSE 'continued
     &text'
      WRITE(*,*) 'END'
      END
