#pragma once

struct AsmState;

// After pass 1: notes where the image files begin and where their first
// placed byte lies, for image-span in pass 2.
void note_image_start(AsmState& st);

// At the start of pass 2, findings about the source as a whole, carried by
// its first statement (line 1): carriage returns that end no line, a source
// with no statement, and space reserved from address 0 before the code when
// no org set the origin.
void check_whole_source(AsmState& st);
