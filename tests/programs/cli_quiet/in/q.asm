 lda undef
 end
