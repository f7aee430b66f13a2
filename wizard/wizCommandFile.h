// The command file of the wizard: written in the command language of the
// main program's console and read back through the console's own reader, so
// that the console runs exactly what the wizard saved and the wizard shows
// what the console would run.
#pragma once

#include <optional>

#include "platform/AnsiString.h"
#include "wizard/wizCommandList.h"
#include "wizard/wizMessage.h"

namespace swde {

// The "Problem" message for a name no command file can hold: empty, holding
// ";", '"' or a byte below 0x20, or a parameter word in any case. nullopt
// for a name that can be written.
std::optional<wizMessage> refusedName(const AnsiString& name);

// The line of one command, CR LF included.
AnsiString commandLine(const wizCommand& command);

// Writes the list to path through a temporary file in the target's folder,
// renamed over path once written and closed. Nothing is written when a name
// is refused. On failure message gets what to show and path is unchanged.
bool writeCommandFile(const wizCommandList& list, const AnsiString& path, wizMessage* message);

// Appends the commands of path that the console would run (pieces the
// console skips are skipped). false at the first piece that is wrong, with
// the commands before it kept and message set; true at the end of the file.
bool readCommandFile(wizCommandList& list, const AnsiString& path, wizMessage* message);

// Fills command from one piece's function word and parameter text. false,
// with cause (cp1250, the console's text) set, for an unknown function, a
// parameter error, no input, or a merge without two inputs and an output.
bool parseCommand(wizCommand& command, const AnsiString& function, const AnsiString& params,
                  AnsiString* cause = nullptr);
// The same from a whole piece: comment words, the function word, its
// parameters.
bool parseCommand(wizCommand& command, const AnsiString& piece, AnsiString* cause = nullptr);

}  // namespace swde
