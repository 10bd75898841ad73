        org     $F000
start   ldx     #'A
        rts
        end     start
