# Renders the man page PAGE as plain text into TEXT for the Windows package:
# ASCII, no overstriking, CR LF line ends.
#   cmake -DGROFF=groff -DPAGE=doc/x09asm.1 -DTEXT=x09asm.txt -P cmake/man-text.cmake
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbu ${PAGE}
  OUTPUT_VARIABLE text RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "groff could not render ${PAGE}")
endif()
string(ASCII 8 backspace)
string(REPLACE "+${backspace}o" "*" text "${text}")  # the bullet, which ASCII draws by overstriking
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${TEXT} "${text}")
