* monitor.asm - a small ROM monitor for a 6809 board
*
* The board has a 6850 ACIA at $E000 for the terminal, RAM from $0000 up to
* $7FFF, and this program in a 4 KiB ROM at $F000 to $FFFF.
* The commands are one letter each
*   A hhhh   set the address that C, D and G work on
*   C        checksum of the 256 bytes from the address
*   D        dump 16 bytes from the address and step on
*   G        go to the address
*   H        show the commands
*
acia    equ     $E000     ACIA control and status register
aciad   equ     $E001     ACIA data register
ramtop  equ     $8000     the hardware stack grows down from here
ustack  equ     $7F00     the user stack
addr    equ     $0010     address for C and D and G (two bytes)
count   equ     $0012     byte counter of the dump
cr      equ     $0D
lf      equ     $0A
*
        org     $F000
reset   lds     #ramtop   set up the stacks
        ldu     #ustack
        lda     #$03      master reset of the ACIA
        sta     acia
        lda     #$15      8 data bits and 1 stop bit and clock divided by 16
        sta     acia
        clra
        tfr     a,dp      direct page 0 for the variables
        clr     addr
        clr     addr+1
        ldx     #banner
        bsr     puts
main    ldx     #prompt
        bsr     puts
        bsr     getc      read a command letter
        cmpa    #'a       lower case?
        blo     upper
        suba    #$20      make it upper case
upper   ldx     #cmdtab   walk the command table
look    ldab    ,x        command letter or zero at the end
        beq     bad
        cba               the letter typed?
        beq     found
        leax    3,x       next entry
        bra     look
found   jsr     [1,x]     run the command
        bra     main
bad     ldx     #what
        bsr     puts
        bra     main
*
* puts - send the zero-ended string at X
puts    lda     ,x+
        beq     puts1
        bsr     putc
        bra     puts
puts1   rts
*
* putc - send the character in A; B is kept
putc    pshb
putc1   ldab    acia      wait until the transmitter is empty
        andb    #$02
        beq     putc1
        staa    aciad
        pulb
        rts
*
* getc - wait for a character and return it in A; it is echoed
getc    pshb
getc1   ldab    acia      wait until a character is received
        andb    #$01
        beq     getc1
        ldaa    aciad
        pulb
        bra     putc
*
* crlf - start a new line
crlf    lda     #cr
        bsr     putc
        lda     #lf
        bra     putc
*
* outhex - send A as two hexadecimal digits
outhex  psha
        lsra
        lsra
        lsra
        lsra
        bsr     outnib
        pula
outnib  anda    #$0F
        adda    #'0
        cmpa    #'9
        bls     outn1
        adda    #7        letters A to F
outn1   bra     putc
*
* gethex - read two hexadecimal digits and return their value in A
gethex  bsr     getnib
        asla
        asla
        asla
        asla
        tfr     a,b       keep the high digit in B
        bsr     getnib
        aba               and add the low one
        rts
getnib  bsr     getc
        suba    #'0
        cmpa    #9
        bls     getn1
        suba    #7        letters A to F
getn1   anda    #$0F
        rts
*
* The commands. Each ends with rts back to the main loop.
setadr  bsr     gethex    A hhhh
        sta     addr
        bsr     gethex
        sta     addr+1
        bra     crlf
csum    ldx     addr      C
        clra
        clrb              256 bytes
        clc
csum1   adca    ,x
        inx
        decb
        bne     csum1
        bsr     outhex
        bra     crlf
dump    ldx     addr      D
        tfr     x,d
        bsr     outhex    high byte of the address
        tfr     b,a
        bsr     outhex    and its low byte
        ldb     #16
        stb     count
dump1   lda     #$20      a space before each byte
        lbsr    putc
        lda     ,x+
        bsr     outhex
        dec     count
        bne     dump1
        stx     addr      the next dump goes on from here
        lbra    crlf
go      jsr     crlf      G
        jmp     [addr]
help    ldx     #helpm    H
        lbra    puts
ignore  rti
*
* Messages and the command table
banner  fcc     /6809 monitor 1.0/
        fcb     cr,lf,0
prompt  fcc     /> /
        fcb     0
what    fcc     / what?/
        fcb     cr,lf,0
helpm   fcc     /A hhhh  C sum  D dump  G go  H help/
        fcb     cr,lf,0
cmdtab  fcb     'A
        fdb     setadr
        fcb     'C
        fdb     csum
        fcb     'D
        fdb     dump
        fcb     'G
        fdb     go
        fcb     'H
        fdb     help
        fcb     0         end of the table
*
* Interrupt vectors and the reset vector
        org     $FFF2
        fdb     ignore,ignore,ignore      SWI3 and SWI2 and FIRQ
        fdb     ignore,ignore,ignore      IRQ and SWI and NMI
        org     $FFFE
        fdb     reset
        end
