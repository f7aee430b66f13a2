#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/XmlDocument.h"
#include "support/OpenWatch.h"
#include "support/TempFile.h"

namespace {

using plat::cp;
using plat::XmlDocument;
using plat::XmlElement;

// Whatever the code under test writes to file descriptor 2 while it runs.
std::string stderrOf(const std::function<void()>& run) {
  std::fflush(stderr);
  testsupport::TempFile sink("");
  const int saved = ::dup(2);
  const int fd = ::open(sink.path().c_str(), O_WRONLY | O_CLOEXEC);
  if (saved < 0 || fd < 0) std::abort();
  ::dup2(fd, 2);
  ::close(fd);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::string written;
  if (FILE* f = std::fopen(sink.path().c_str(), "rb")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) written.append(buf, n);
    std::fclose(f);
  }
  return written;
}

// The message of the plat::Exception that parsing text raises, "" when it
// parses.
std::string parseError(const std::string& text) {
  try {
    XmlDocument doc(text);
  } catch (const plat::Exception& e) {
    return e.Message();
  }
  return {};
}

std::vector<std::u16string> childNames(const XmlElement& e) {
  std::vector<std::u16string> names;
  for (XmlElement c = e.firstChild(); c; c = c.nextSibling()) names.push_back(c.name());
  return names;
}

TEST(XmlDocument, WalksElementsSkippingTextCommentsAndInstructions) {
  const XmlDocument doc(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- before the root -->\n"
      "<SWDE schema_date=\"2026.12.10\" empty=\"\" ent=\"a&amp;b&#x105;\">\n"
      "  text <!-- a comment --> <?pi data?>\n"
      "  <ATTRIBS_SECT>\n"
      "    <ATTRIBUTES><![CDATA[<NOT_AN_ELEMENT/>]]></ATTRIBUTES>\n"
      "    <x:RELATIONS xmlns:x=\"urn:x\" name=\"r\" x:name=\"prefixed\"/>\n"
      "  </ATTRIBS_SECT>\n"
      "  <TYPES_SECT\n"
      "     name=\"\xC4\x85\xE2\x82\xAC\"/>\n"
      "  tail\n"
      "</SWDE>\n"
      "<!-- after the root -->\n");
  const XmlElement root = doc.root();
  ASSERT_TRUE(root);
  EXPECT_EQ(root.name(), u"SWDE");
  EXPECT_EQ(root.line(), 3);
  EXPECT_EQ(root.attribute(u"schema_date"), u"2026.12.10");
  EXPECT_EQ(root.attribute(u"empty"), u"");
  EXPECT_EQ(root.attribute(u"absent"), u"");
  EXPECT_EQ(root.attribute(u"ent"), u"a&b\u0105");
  EXPECT_FALSE(root.nextSibling());
  EXPECT_EQ(childNames(root), (std::vector<std::u16string>{u"ATTRIBS_SECT", u"TYPES_SECT"}));

  const XmlElement attribs = root.firstChild();
  EXPECT_EQ(attribs.line(), 5);
  const XmlElement attributes = attribs.firstChild();
  EXPECT_EQ(attributes.name(), u"ATTRIBUTES");
  EXPECT_FALSE(attributes.firstChild());  // CDATA is text
  const XmlElement relations = attributes.nextSibling();
  EXPECT_EQ(relations.name(), u"x:RELATIONS");  // a prefix is part of the name
  EXPECT_EQ(relations.attribute(u"name"), u"r");
  EXPECT_EQ(relations.line(), 7);
  EXPECT_FALSE(relations.nextSibling());

  const XmlElement types = attribs.nextSibling();
  EXPECT_EQ(types.name(), u"TYPES_SECT");
  EXPECT_EQ(types.attribute(u"name"), u"\u0105\u20AC");
  EXPECT_EQ(types.line(), 10);  // where its start tag ends
  EXPECT_FALSE(types.nextSibling());

  // A null element answers with nothing.
  const XmlElement none;
  EXPECT_FALSE(none);
  EXPECT_FALSE(none.firstChild());
  EXPECT_FALSE(none.nextSibling());
  EXPECT_EQ(none.name(), u"");
  EXPECT_EQ(none.attribute(u"name"), u"");
  EXPECT_EQ(none.line(), 0);
}

TEST(XmlDocument, HonoursTheDeclaredEncoding) {
  const XmlDocument doc(
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>"
      "<A name=\"\xB9\x9C\x8C\"/>");
  EXPECT_EQ(doc.root().attribute(u"name"), u"\u0105\u015B\u015A");
}

TEST(XmlDocument, LinesBeyondSixteenBits) {
  const std::string text = "<A>" + std::string(70000, '\n') + "<B/>\n<C/></A>";
  const XmlDocument doc(text);
  const XmlElement b = doc.root().firstChild();
  EXPECT_EQ(b.line(), 70001);
  EXPECT_EQ(b.nextSibling().line(), 70002);
}

TEST(XmlDocument, MalformedTextIsASyntaxErrorWithItsLineAndNothingOnStderr) {
  struct Case {
    std::string text;
    int line;
    std::string reason;  // a part of the parser's text
  };
  const std::vector<Case> cases = {
      {"<A>\n<B>\n</A>", 3, "mismatch"},
      {"", 1, "empty"},
      {"   \n", 2, "Start tag expected"},
      {"<A></A><B/>", 1, "Extra content"},
      {"<A name=\"x\" name=\"y\"/>", 1, "redefined"},
      {"<A>\n&undefined;</A>", 2, "undefined"},
      {"<A n=\"\xB9\"/>", 1, "UTF-8"},  // a cp1250 byte with no declaration
      {"<A><x:B/></A>", 1, "Namespace prefix x"},
      {"<A", 1, ""},
  };
  const std::string prefix = cp("Błąd składni XML (wiersz ");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string message;
    EXPECT_EQ(stderrOf([&] { message = parseError(c.text); }), "");
    ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
    const std::string expected = prefix + std::to_string(c.line) + "): ";
    EXPECT_EQ(message.substr(0, expected.size()), expected) << message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    // One line of text, trimmed.
    EXPECT_GT(message.size(), expected.size());
    EXPECT_EQ(message.find('\n'), std::string::npos);
    EXPECT_NE(message.back(), ' ');
  }
}

TEST(XmlDocument, RefusesEveryDoctypeAndOpensNoOtherFile) {
  testsupport::TempFile outside("<!ENTITY inner \"leaked\">\n<B>leaked</B>\n");
  const std::string path = outside.path();
  testsupport::OpenWatch watch(path);
  ASSERT_TRUE(watch.ok());

  const std::string refused = cp("Deklaracja DOCTYPE jest niedozwolona");
  const std::vector<std::string> doctypes = {
      "<!DOCTYPE A>\n<A/>",
      "<!DOCTYPE A [<!ENTITY e \"internal\">]>\n<A>&e;</A>",
      "<!DOCTYPE A [<!ENTITY e SYSTEM \"" + path + "\">]>\n<A>&e;</A>",
      "<!DOCTYPE A [<!ENTITY e SYSTEM \"file://" + path + "\">]>\n<A>&e;</A>",
      "<!DOCTYPE A SYSTEM \"" + path + "\">\n<A>&inner;</A>",
      "<!DOCTYPE A [<!ENTITY % p SYSTEM \"" + path + "\"> %p;]>\n<A>&inner;</A>",
      "<!DOCTYPE A [<!ENTITY a \"xx\"><!ENTITY b \"&a;&a;&a;&a;\">]>\n<A>&b;</A>",
      // Even a DOCTYPE that is not well-formed is first of all a DOCTYPE.
      "<?xml version=\"1.0\"?>\n<!DOCTYPE A [<!ENTITY e SYSTEM \"" + path + "\">",
  };
  for (const std::string& text : doctypes) {
    SCOPED_TRACE(text);
    std::string message;
    EXPECT_EQ(stderrOf([&] { message = parseError(text); }), "");
    EXPECT_EQ(message, refused);
    EXPECT_FALSE(watch.touched());
  }

  // No inclusion is followed either: the element is just an element.
  const XmlDocument doc("<A xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"" +
                        path + "\" parse=\"text\"/></A>");
  EXPECT_EQ(doc.root().firstChild().name(), u"xi:include");
  EXPECT_FALSE(doc.root().firstChild().firstChild());
  EXPECT_FALSE(watch.touched());

  // The watch sees an open when there is one.
  ::close(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  EXPECT_TRUE(watch.touched());
}

}  // namespace
