// The parameter words of the command language ("-pwe", "-pwy", "-pk",
// "-pbz", "-r", "-rk", any case) and the mode they set: the words after a
// mode word are its names. What the words mean goes to a sink; the machine
// checks only the order of the words.
#pragma once

#include <functional>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class iuParameters {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void input(const AnsiString& word) = 0;
    virtual void output(const AnsiString& word) = 0;
    virtual void report(const AnsiString& word) = 0;
    virtual void skipComments() = 0;
    virtual void skipWhiteChars() = 0;
    virtual void condensed() = 0;
    // The message of a wrong word (cp1250, no line end); the reading stops.
    virtual void error(const AnsiString& message) = 0;
    // A word as it goes into a message.
    virtual AnsiString echo(const AnsiString& word) const { return word; }
  };

  // fromArgs: the words come from the command line (the message of an
  // unexpected word then puts a blank before it).
  iuParameters(Sink& sink, bool fromArgs) : sink_(sink), fromArgs_(fromArgs) {}

  // 0, or 1 after the sink's error.
  int feed(const AnsiString& word);
  // Every word of a command's parameter text; stopped, when given, is asked
  // before each word and ends the reading with 0.
  int feedText(const AnsiString& text, const std::function<bool()>& stopped = {});

  // True when word is one of the parameter words, in any case.
  static bool isParameterWord(const AnsiString& word);

 private:
  enum class Mode { None, Input, Output, Flag, Report };
  int fail(const AnsiString& message);

  Sink& sink_;
  const bool fromArgs_;
  Mode mode_ = Mode::None;
  bool haveOutput_ = false;
  bool haveReport_ = false;
};

}  // namespace swde
