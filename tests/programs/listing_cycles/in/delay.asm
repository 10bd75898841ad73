* 1000 cycles with the rts, 3 + 124 * 8 + 5
count   equ     124
        org     $F000
delay   ldx     #count
loop    leax    -1,x
        bne     loop
        rts
table   fcb     1,2,3
        fdb     loop
        fcc     /AB/
        rmb     2
next
        lbne    delay
        lbrn    delay
        rti
        sync
        cwai    #$EF
        aba
        pshs    a,b,x,y,u,pc
        lda     [$1234]
        leay    d,u
        sta     #1
        end
