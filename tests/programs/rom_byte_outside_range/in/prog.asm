* a program one byte too long for a 16-byte chip
 org $FF00
 fcc /0123456789ABCDE/
last fcb 1,2
 end
