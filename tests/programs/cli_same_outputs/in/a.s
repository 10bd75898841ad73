 org $e000
 ldb #2
 end
