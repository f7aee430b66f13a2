// Checks the fields of one line: picks the check method of the line's
// identifier, runs it, and hands back at most one error.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Com.h"
#include "platform/Export.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxerrornote.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

using plat::AnsiString;

// Longest identifier that validateId accepts.
constexpr std::size_t kIdentifierLengthLimit = 32;

class OLVLEX_API sxLineValidator {
 public:
  sxLineValidator();

  // Checks one line. On return error holds the error found; for lines of
  // code 0 and 1 it is left as it was.
  void validate(const counted_ptr<sxLine>& line, counted_ptr<sxError>& error);

  // Field validators. field is the position in the line (the identifier is
  // 0); messages name it as field + 1. On success the converted value is
  // stored into value; on failure the current error is set.
  bool validateInteger(unsigned field, const AnsiString& text, plat::VARIANT& value);
  bool validateFloat(unsigned field, const AnsiString& text, plat::VARIANT& value);
  bool validateName(unsigned field, const AnsiString& text, plat::VARIANT& value);
  bool validateId(unsigned field, const AnsiString& text, plat::VARIANT& value);
  bool validateUInt(unsigned field, const AnsiString& text, plat::VARIANT& value);
  bool validateHex(unsigned field, const AnsiString& text, plat::VARIANT& value);

  // Set by the analyzer: the section in force and the file's format (52 SWDE,
  // 55 SWING).
  std::uint8_t section = 0;
  std::uint8_t format = 0;
  // Set by the RC and TD checks, cleared at every validate.
  std::uint8_t complexRecord = 0;

  const counted_ptr<sxError>& currentError() const { return error_; }
  // With a note, a line's error is taken down in it and the error slot gets
  // a marker standing for it, instead of an error being made; null: errors
  // are made.
  void setNote(sxErrorNote* note);
  // True when the line code has a check method.
  bool hasMethod(std::uint8_t code) const;

 private:
  using Method = void (sxLineValidator::*)();
  struct FieldRule;
  struct LineRule;

  template <class... Args>
  void raise(std::uint8_t code, Args... args);
  void fail(std::uint8_t code);
  void fail(std::uint8_t code, unsigned fieldNumber);
  // Runs the field count test, the field tests in order and the ';' test.
  void checkRule(const LineRule& rule);
  // Tests field i against its rule; false when an error was attached.
  bool checkField(unsigned i, const FieldRule& rule);
  bool checkCount(std::uint32_t count);
  bool checkCountAtLeast(std::uint32_t count);
  void checkSemicolon();
  // Empty required field: 130; true when the field holds text.
  bool required(unsigned i);
  // The character and length rules of names and identifiers, without
  // storing a value.
  bool isName(unsigned field, std::string_view text);
  bool isId(unsigned field, std::string_view text);
  // The number checks of field i, storing the value into the field.
  bool integerField(unsigned i);
  bool floatField(unsigned i);
  bool unsignedField(unsigned i, int base);
  std::string_view text(unsigned i) const;
  sxFieldValue& value(unsigned i);

  void checkA();
  void checkB();
  void checkC();
  void checkD();
  void checkDS();
  void checkE();
  void checkEO();
  void checkES();
  void checkFD();
  void checkGL();
  void checkGX();
  void checkH();
  void checkIDENTS();
  void checkJD();
  void checkJK();
  void checkK();
  void checkNK();
  void checkNS();
  void checkNU();
  void checkOAx();
  void checkOB();
  void checkOBX();
  void checkOK();
  void checkOL();
  void checkOO();
  void checkP();
  void checkPZ();
  void checkRx();
  void checkRF();
  void checkRKC();
  void checkRKM();
  void checkS();
  void checkSx();
  void checkFILEX();
  void checkFILEXC();
  void checkSX();
  void checkSXC();
  void checkTD();
  void checkTP();
  void checkTPN();
  void checkTPW();
  void checkTR();
  void checkVD();
  void checkVK();
  void checkW();
  void checkWE();
  void checkWN();
  void checkWP();
  void checkWR();
  void checkWW();
  void checkWG();
  void checkWL();
  void checkX();
  void checkXC();
  void checkZD();

  sxLine* line_ = nullptr;  // the line in hand, during validate only
  // Number of the line last validated, for the errors of the field validators.
  std::uint64_t lineNumber_ = 0;
  counted_ptr<sxError> error_;
  sxErrorNote* note_ = nullptr;
  counted_ptr<sxError> marker_;
  std::array<Method, kLastLineCode + 1> methods_{};
};

}  // namespace swde
