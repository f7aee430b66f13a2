// What the five pages of a command do without their windows: whether a page
// shows for the command (a skipped page may change it), what a page starts
// with, what its Next checks and what it writes into the command. Edited
// texts arrive trimmed at both ends.
#pragma once

#include <optional>
#include <vector>

#include "wizard/wizCommand.h"
#include "wizard/wizMessage.h"

namespace swde {

class wizPageRules {
 public:
  enum Page { Function = 0, InputFiles = 1, OutputFile = 2, Report = 3, Options = 4 };

  // Whether the page shows for command. A page that does not show makes its
  // change: the output emptied for "SK" and "SP" (kept for "GA" and "WA",
  // which may name one), the options emptied for all but "GA" and "SP".
  static bool shows(int page, wizCommand& command);

  // Page 1: the code checked on creation ("SK" for a new command); Next.
  static AnsiString initialCode(const wizCommand& command);
  static void applyFunction(wizCommand& command, const AnsiString& code);

  // Page 2: Next's check of the chosen files, then the inputs replaced.
  static std::optional<wizMessage> checkInputs(const AnsiString& code,
                                               const std::vector<AnsiString>& files);
  static void applyInputs(wizCommand& command, const std::vector<AnsiString>& files);

  // Page 3: Next's check of the output name, then the output set.
  static std::optional<wizMessage> checkOutput(const AnsiString& name);
  static void applyOutput(wizCommand& command, const AnsiString& name);

  // Page 4: the kind of report is offered for "SP" only; the condensed
  // choice is checked when the options hold "-rk". An empty name shows the
  // report on screen.
  static bool offersCondensed(const wizCommand& command);
  static bool initialCondensed(const wizCommand& command);
  static std::optional<wizMessage> checkReport(const AnsiString& name);
  static void applyReport(wizCommand& command, const AnsiString& name, bool condensed);

  // Page 5: the two check boxes on creation; Next sets the options.
  static bool initialSkipComments(const wizCommand& command);
  static bool initialSkipWhiteChars(const wizCommand& command);
  static void applyOptions(wizCommand& command, bool skipComments, bool skipWhiteChars);
};

}  // namespace swde
