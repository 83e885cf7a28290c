// The I/O and file functions of the standard package: open, close, read,
// readline, printout, format, load, save, load-facts, save-facts, batch,
// dribble-on, dribble-off, remove and rename. They hold no I/O machinery:
// text goes out through the engine's PrintOut, comes in through its ReadToken
// and ReadLine, and named streams live in the engine's stream table.
//
// Ownership: functions are reference counted (IUserFunction); the standard
// package creates them, with CreateFunction<T>() at their place in its order
// or through CreateStandardIOFunction by class name.
// Thread-safety: a function object keeps no state of a call (each call builds
// its own text), so one object serves several engines on different threads.
#pragma once

#include <string_view>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// (open file name [mode]): opens File under the logical name and returns the
// name. Modes r (default) and r+ give a tokenizer stream, w empties or creates
// the file, a appends to it (creating it when missing). EIEException "Invalid
// File Access Specifier: "%s"" for another mode; file errors pass on.
IE_FUNCTION(TOpenFunction)         // open
// (close name*): closes the named streams ("Invalid stream name: %s" for an
// unknown one), or every stream without arguments; TRUE.
IE_FUNCTION(TCloseFunction)        // close
// (read [name]): the value of the next token (EOF at the end of input).
IE_FUNCTION(TReadFunction)         // read
// (readline [name]): the next line as a string; the atom EOF for an empty one.
IE_FUNCTION(TReadLineFunction)     // readline
// (printout name expr*): the texts of the expressions (crlf: CR LF; strings
// without quotes; multifields in parentheses) printed as one text; nil.
IE_FUNCTION(TPrintOutFunction)     // printout
// (format name control expr*): each argument replaces the first directive
// left in the control string (only %s, with "-" and a width, is accepted:
// any other raises the formatter's error), or is appended after a blank when
// none is left; %n is CR LF. Prints the text; nil.
IE_FUNCTION(TFormatFunction)       // format
// (load file), (save file), (load-facts file): the engine's LoadFromFile,
// SaveToFile, LoadFactsFromFile; TRUE.
IE_FUNCTION(TLoadFunction)         // load
IE_FUNCTION(TSaveFunction)         // save
IE_FUNCTION(TLoadFactsFunction)    // load-facts
// (save-facts file template*): all facts, or those of the templates named in
// that order, one text per line in a file created anew; TRUE.
IE_FUNCTION(TSaveFactsFunction)    // save-facts
// (batch file), (dribble-on file), (dribble-off): TRUE or FALSE as the engine
// reports.
IE_FUNCTION(TBatchFunction)        // batch
IE_FUNCTION(TDribbleOnFunction)    // dribble-on
IE_FUNCTION(TDribbleOffFunction)   // dribble-off
// (remove file): TRUE when deleted. (rename old new): TRUE when renamed; an
// existing new name is never replaced (FALSE).
IE_FUNCTION(TRemoveFunction)       // remove
IE_FUNCTION(TRenameFunction)       // rename

// A new function of one of the classes above by class name ("TOpenFunction",
// ...), none for any other name. The classes are also registered for the
// package stream under the same names.
IUserFunction CreateStandardIOFunction(std::string_view className);
