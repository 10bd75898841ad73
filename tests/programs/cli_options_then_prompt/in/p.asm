 fcb 1,2
 end
