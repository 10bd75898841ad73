* Traps of a port from mainstream syntax, and two errors
        org     $F000
start   anda    #%00001111
        ldx     #*+5
        ldb     #10/2
        lda     5,x+
        pshs    a x
        tab
        tfr     q,r
        sta     #count
        fcc     "HELLO"
        end     start
