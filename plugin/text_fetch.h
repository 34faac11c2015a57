// The string loader: every text of the string table is read through it.
#pragma once

extern char text_buffer[256];

// Loads string id into text_buffer (at most 254 bytes of text) and returns it;
// an identifier that the table lacks gives the empty text. Valid until the next
// call.
char* fetch_string(unsigned id);
