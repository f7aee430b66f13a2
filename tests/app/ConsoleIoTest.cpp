// The console's platform services: conversion at the output boundary, full
// writes, the title and the keyboard on a pseudo-terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <thread>

#include "platform/CodePage.h"
#include "platform/ConsoleKeyboard.h"
#include "platform/ConsoleOutput.h"
#include "platform/ConsoleTitle.h"

namespace {

using plat::ConsoleEncoding;
using plat::cp;

TEST(ConsoleEncodingTest, ChosenByTheLocaleCharset) {
  const struct {
    const char* charset;
    ConsoleEncoding encoding;
  } cases[] = {
      {"UTF-8", ConsoleEncoding::Utf8},
      {"ANSI_X3.4-1968", ConsoleEncoding::Utf8},
      {"", ConsoleEncoding::Utf8},
      {"CP1250", ConsoleEncoding::Cp1250},
      {"cp1250", ConsoleEncoding::Cp1250},
      {"WINDOWS-1250", ConsoleEncoding::Cp1250},
      {"ISO-8859-2", ConsoleEncoding::Iso88592},
      {"ISO8859-2", ConsoleEncoding::Iso88592},
      {"iso_8859-2", ConsoleEncoding::Iso88592},
      {"ISO-8859-1", ConsoleEncoding::Utf8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(plat::consoleEncodingOfCharset(c.charset), c.encoding) << c.charset;
}

TEST(ConsoleEncodingTest, PolishLettersInEachConsoleEncoding) {
  std::string win, iso;
  for (int i = 0; i < plat::kPolishLetters; ++i) {
    win += static_cast<char>(plat::kPolishLetterTable[0][i]);
    iso += static_cast<char>(plat::kPolishLetterTable[3][i]);
  }
  EXPECT_EQ(plat::toConsoleEncoding(win, ConsoleEncoding::Cp1250), win);
  EXPECT_EQ(plat::toConsoleEncoding(win, ConsoleEncoding::Iso88592), iso);
  EXPECT_EQ(plat::toConsoleEncoding(win, ConsoleEncoding::Utf8), "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
  // And back, for the words of the command line.
  EXPECT_EQ(plat::fromConsoleEncoding(iso, ConsoleEncoding::Iso88592), win);
  EXPECT_EQ(plat::fromConsoleEncoding("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ", ConsoleEncoding::Utf8), win);
  // cp1250 signs that ISO-8859-2 lacks, and the ones it has elsewhere.
  EXPECT_EQ(plat::cp1250ToIso88592("\x80\x84\x8A\x9A\xA0\xFF"), "??\xA9\xB9\xA0\xFF");
}

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() { EXPECT_EQ(::pipe(fd), 0); }
  ~Pipe() {
    for (int f : fd)
      if (f >= 0) ::close(f);
  }
  void closeRead() {
    ::close(fd[0]);
    fd[0] = -1;
  }
  std::string readAll() {
    std::string s;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd[0], buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    return s;
  }
};

TEST(ConsoleOutputTest, WritesEveryByteOfALongTextThroughAPipe) {
  // More than a pipe holds: the writer has to go on after short writes.
  std::string text;
  for (int i = 0; text.size() < 1000000; ++i) text += cp("Łódź, linia ") + std::to_string(i) + "\n";
  Pipe p;
  std::string got;
  std::thread reader([&] { got = p.readAll(); });
  plat::ConsoleOutput out(p.fd[1], ConsoleEncoding::Utf8);
  EXPECT_EQ(out.write(text), 0);
  ::close(p.fd[1]);
  p.fd[1] = -1;
  reader.join();
  EXPECT_EQ(got, plat::cp1250ToUtf8(text));
}

TEST(ConsoleOutputTest, AStandardOutputInNonBlockingModeGetsEveryByte) {
  // A parent may leave the pipe it shares non-blocking: a full pipe then
  // says EAGAIN, which is no failure of the output.
  std::string text;
  for (int i = 0; text.size() < 1000000; ++i) text += "linia " + std::to_string(i) + "\n";
  Pipe p;
  ASSERT_EQ(::fcntl(p.fd[1], F_SETFL, ::fcntl(p.fd[1], F_GETFL) | O_NONBLOCK), 0);
  std::string got;
  std::thread reader([&] { got = p.readAll(); });
  plat::ConsoleOutput out(p.fd[1], ConsoleEncoding::Cp1250);
  EXPECT_EQ(out.write(text), 0);
  ::close(p.fd[1]);
  p.fd[1] = -1;
  reader.join();
  EXPECT_EQ(got, text);
}

TEST(ConsoleOutputTest, AClosedPipeEndsTheOutputQuietly) {
  plat::ignoreSigpipe();
  Pipe p;
  p.closeRead();
  plat::ConsoleOutput out(p.fd[1], ConsoleEncoding::Cp1250);
  EXPECT_EQ(out.write("a"), EPIPE);
  EXPECT_TRUE(out.pipeClosed());
  EXPECT_EQ(out.write("b"), EPIPE);
}

// Bytes of a data file reach the screen in messages: none of them may drive
// the terminal. The report file keeps them (OlvenTest).
TEST(ConsoleOutputTest, ControlBytesAreShownAsHexadecimalCodes) {
  const struct {
    std::string text;  // cp1250
    ConsoleEncoding encoding;
    std::string shown;
  } cases[] = {
      {"a\x1b[2Jb", ConsoleEncoding::Utf8, "a\\x1B[2Jb"},
      {std::string("Q\0\0Q", 4), ConsoleEncoding::Utf8, "Q\\x00\\x00Q"},
      {"\a\b\t\x1f\x7f", ConsoleEncoding::Utf8, "\\x07\\x08\\x09\\x1F\\x7F"},
      // Line ends: "\n", and "\r\n" as the console may write it; a CR alone
      // would move the cursor back over the line.
      {"jeden\ndwa\r\ntrzy\n", ConsoleEncoding::Utf8, "jeden\ndwa\r\ntrzy\n"},
      {"abc\rxy\n", ConsoleEncoding::Utf8, "abc\\x0Dxy\n"},
      {"koniec\r", ConsoleEncoding::Utf8, "koniec\\x0D"},
      // The cp1250 bytes without a character would be C1 controls (0x90 DCS).
      {"\x81\x83\x88\x90\x98", ConsoleEncoding::Utf8, "\\x81\\x83\\x88\\x90\\x98"},
      {"\x90", ConsoleEncoding::Iso88592, "\\x90"},
      {"\x90", ConsoleEncoding::Cp1250, "\\x90"},
      // Letters and signs stay what they are.
      {cp("Łódź „cytat” ›"), ConsoleEncoding::Utf8, "Łódź „cytat” ›"},
      {cp("żółw\n"), ConsoleEncoding::Iso88592, "\xBF\xF3\xB3w\n"},
      {"\\x41", ConsoleEncoding::Utf8, "\\x41"},
  };
  for (const auto& c : cases) {
    Pipe p;
    plat::ConsoleOutput out(p.fd[1], c.encoding);
    EXPECT_EQ(out.write(c.text), 0);
    EXPECT_EQ(out.bytesOf(c.text), c.shown);
    ::close(p.fd[1]);
    p.fd[1] = -1;
    EXPECT_EQ(p.readAll(), c.shown) << c.text;
  }
}

// A pseudo-terminal: the master end plays the user and the screen.
struct Pty {
  int master = -1, slave = -1;
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
  // What the program wrote to the screen: n bytes, waited for (the terminal
  // hands bytes on from one end to the other on a thread of its own).
  std::string screen(std::size_t n) {
    std::string s;
    char buf[256];
    while (s.size() < n) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, -1) < 0 && errno != EINTR) break;
      const ssize_t got = ::read(master, buf, std::min(sizeof buf, n - s.size()));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      s.append(buf, static_cast<std::size_t>(got));
    }
    return s;
  }
  void type(const std::string& keys) {
    ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Waits until n bytes are there to be read at the program's end; for a
  // terminal in raw mode, which counts every byte (a canonical one counts
  // whole lines only).
  void waitTyped(int n) {
    for (;;) {
      int pending = 0;
      ASSERT_EQ(::ioctl(slave, FIONREAD, &pending), 0);
      if (pending >= n) return;
      pollfd p{slave, POLLIN, 0};
      if (pending == 0)
        ::poll(&p, 1, -1);
      else
        std::this_thread::yield();  // the rest comes with the same hand-over
    }
  }
  // Types keys at a terminal in raw mode and waits until they are there.
  void typeRaw(const std::string& keys) {
    type(keys);
    waitTyped(static_cast<int>(keys.size()));
  }
};

TEST(ConsoleTitleTest, PushedSetAndPoppedOnATerminalOnly) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  {
    plat::ConsoleTitle title("OLVEN", pty.slave);
    EXPECT_TRUE(title.active());
    const std::string pushed = "\x1b[22;0t\x1b]0;OLVEN\a";
    EXPECT_EQ(pty.screen(pushed.size()), pushed);
  }
  // Anything more written with the title would come before these bytes.
  const std::string popped = "\x1b[23;0t";
  EXPECT_EQ(pty.screen(popped.size()), popped);

  Pipe p;
  {
    plat::ConsoleTitle title("OLVEN", p.fd[1]);
    EXPECT_FALSE(title.active());
  }
  ::close(p.fd[1]);
  p.fd[1] = -1;
  EXPECT_EQ(p.readAll(), "");  // redirected output: no escape bytes
}

TEST(ConsoleKeyboardTest, SpaceSinceTheLastPollAndModesRestored) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  termios before{};
  ASSERT_EQ(::tcgetattr(pty.slave, &before), 0);
  ASSERT_TRUE(before.c_lflag & ICANON);
  {
    plat::ConsoleKeyboard keyboard(pty.slave);
    ASSERT_TRUE(keyboard.available());
    termios raw{};
    ::tcgetattr(pty.slave, &raw);
    EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO));
    EXPECT_TRUE(raw.c_lflag & ISIG);  // Ctrl+C still raises its signal

    EXPECT_FALSE(keyboard.spaceHeld());  // nothing typed
    pty.typeRaw("ab");
    EXPECT_FALSE(keyboard.spaceHeld());  // other keys
    pty.typeRaw("x y");
    EXPECT_TRUE(keyboard.spaceHeld());   // no Enter needed
    EXPECT_FALSE(keyboard.spaceHeld());  // nothing new since

    keyboard.suspend();
    termios suspended{};
    ::tcgetattr(pty.slave, &suspended);
    EXPECT_TRUE(suspended.c_lflag & ICANON);
    pty.type(" ");
    EXPECT_FALSE(keyboard.spaceHeld());  // not read while suspended
    keyboard.resume();
    pty.waitTyped(1);
    EXPECT_TRUE(keyboard.spaceHeld());  // the space typed meanwhile
  }
  termios after{};
  ASSERT_EQ(::tcgetattr(pty.slave, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);

  Pipe p;
  plat::ConsoleKeyboard none(p.fd[0]);
  EXPECT_FALSE(none.available());
  EXPECT_FALSE(none.spaceHeld());
}

}  // namespace
