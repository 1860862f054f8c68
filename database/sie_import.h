#pragma once
// Reading an SIE 4 file (the Swedish exchange format for accounting data) into a database.
//
// An SIE 4 file is lines of words; the first word of a line is its record, "#" and a name.
// Words are separated by blanks; a word in double or single quotes holds blanks (the quotes are
// not part of it, a backslash before the quote inside it stands for the quote); "{" and "}" are
// words of their own outside quotes; "//" starts a comment to the end of the line.
//
//   record                                what it becomes
//   #KONTO  account name                  a component of dimension 1: code = type letter and
//   [#KTYP  account type]                 account number, text = name, host code = number;
//                                         the type comes from a "#KTYP" line right after it,
//                                         else from the first digit (1 T, 2 S, 3 I, 4-9 K)
//   #DIM    number name                   the next free dimension from 2 up, named by the name
//   #UNDERDIM number name parent          shares the parent's dimension
//   #OBJEKT dimension object name         a component of that dimension: code and host code =
//                                         object, text = name
//   #RAR    0 start end                   the opening balances are dated the day before start
//   #FNAMN  name                          the component of dimension 0 that keys every group
//   #IB     0 account amount              a line of the card "IB"
//   #VER    series number date text [reg] a card; "{", "#TRANS" lines, "}" follow
//   #TRANS  account {dim object ...} amount [date] [text]   a line of the card
//
// Every other record is skipped. Files that hold a byte from 0x80 to 0x9F are read in PC-8 (the
// format's own code page, where those bytes are the Swedish letters); every other file in
// ISO-8859-1, the code page the export writes.
#include "core/code_pages.h"

class T_Base;

// The reader of file kind 12: the file's accounts, dimensions, objects, opening balances and
// vouchers are added to the database. Problems go through the read-problem prompt: 3811 for a
// voucher without its end or records before "#FNAMN" that are lost, 3514 for an amount that is
// not a number, 3830 for a voucher date outside the supported years. A file that cannot be
// opened leaves its error pending.
void ImportSie(T_Base* base, const char* path);

// The code page the import reads the file in (see above); ISO-8859-1 for a file that does not
// open.
TextEncoding SieFileEncoding(const char* path);
