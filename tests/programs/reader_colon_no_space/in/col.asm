; comment
LOOP:lda #1
 ; not a comment
* comment, with comma: and colon
