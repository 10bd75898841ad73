* sim_bench.asm - the loop the simulator's benchmark runs for ever
*
* Each round copies 256 bytes, sums them in a subroutine, and writes a line
* to a serial port at $C000 (status, bit 1 set when it can send) and $C001
* (data), waiting on the status before each byte. Then it changes a source
* byte, so that no two rounds sum alike.
*
serial  equ     $C000
sdata   equ     $C001
source  equ     $4000
dest    equ     $5000
sum     equ     $0010     the last checksum, on the direct page
*
        org     $1000
start   lds     #$0800
        clra
        tfr     a,dp
round   ldx     #source   copy 256 bytes, two at a time
        ldy     #dest
copy    ldd     ,x++
        std     ,y++
        cmpx    #source+256
        bne     copy
        ldx     #dest
        bsr     check
        sta     sum
        ldx     #line     send the line
send    lda     serial
        bita    #2
        beq     send
        lda     ,x+
        beq     sent
        sta     sdata
        bra     send
sent    inc     source
        bra     round
*
* check sums the 256 bytes from X into A
check   clra
        ldb     #0
more    adda    ,x+
        decb
        bne     more
        rts
*
line    fcc     /checksum loop of the simulator benchmark/
        fcb     13,10,0
        end
