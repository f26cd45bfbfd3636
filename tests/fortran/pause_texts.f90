! PAUSE with its operand in free form: the text, or the digits as written, is the message.
program pause_texts
  implicit none
  include 'pause_words.inc'
  write(*,*) greeting
  pause 'it''s "quoted"'
10 PAUSE "say ""when""; now" ! a labelled pause, a comment after it
  write(*,*) 'two'; pause 77; write(*,*) 'three'
  pause 00042
  pause 'continued &
       &text'
  write(*,*) 'end'
end program pause_texts
