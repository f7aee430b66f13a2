// The question and end windows: their captions, texts and buttons, which
// button closes them as accepted, and the picture and icon they show; the
// hidden start form and the work it starts from the event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <functional>
#include <memory>

#include "SetupWindowSupport.h"
#include "setup/TfrmEnd.h"
#include "setup/TfrmEndDeinst.h"
#include "setup/TfrmFirstQuestion.h"
#include "setup/TfrmMain.h"
#include "setup/TfrmPictureForm.h"
#include "setup/TfrmUninstallQuestion.h"

namespace {

using setupwintest::buttonOf;
using setupwintest::buttonsOf;
using setupwintest::click;
using setupwintest::labelsOf;
using setupwintest::u;
using swde::TfrmPictureForm;

struct FormCase {
  const char* name;
  std::function<std::unique_ptr<TfrmPictureForm>()> make;
  const char* caption;
  std::vector<const char*> texts;
  std::vector<const char*> buttons;
  const char* accepting;  // the button closing it as accepted; the others reject
  const char* byEnter;    // the default button
};

const std::vector<FormCase>& formCases() {
  static const std::vector<FormCase> cases = {
      {"first question",
       [] { return std::make_unique<swde::TfrmFirstQuestion>(); },
       "OLVEN Program instalacyjny",
       {"OLVEN", "Przed instalacją zamknij uruchomione programy OLVEN. Czy kontynuować?"},
       {"&Tak", "&Nie"},
       "&Tak",
       "&Tak"},
      {"uninstall question",
       [] { return std::make_unique<swde::TfrmUninstallQuestion>(); },
       "OLVEN Usuwanie oprogramowania",
       {"Zostanie usunięte", "następujące oprogramowanie:", "OLVEN", "Czy chcesz kontynuować?"},
       {"&Tak", "&Nie"},
       "&Tak",
       // A stray Enter removes nothing.
       "&Nie"},
      {"install end",
       [] { return std::make_unique<swde::TfrmEnd>(); },
       "OLVEN Program instalacyjny",
       {"Instalacja przebiegła pomyślnie"},
       {"&Wyjdź"},
       "&Wyjdź",
       "&Wyjdź"},
      {"uninstall end",
       [] { return std::make_unique<swde::TfrmEndDeinst>(); },
       "OLVEN Usuwanie oprogramowania",
       {"Program OLVEN został usunięty."},
       {"&Wyjdź"},
       "&Wyjdź",
       "&Wyjdź"},
  };
  return cases;
}

TEST(SetupForms, CaptionsTextsAndTheButtonThatAccepts) {
  for (const FormCase& c : formCases()) {
    SCOPED_TRACE(c.name);
    QStringList texts, buttons;
    for (const char* t : c.texts) texts << u(t);
    for (const char* b : c.buttons) buttons << u(b);
    // Every button once, on a fresh window each time.
    for (const QString& pressed : buttons) {
      SCOPED_TRACE(pressed.toStdString());
      const std::unique_ptr<TfrmPictureForm> form = c.make();
      EXPECT_EQ(form->windowTitle(), u(c.caption));
      EXPECT_EQ(labelsOf(*form), texts);
      EXPECT_EQ(buttonsOf(*form), buttons);
      for (const QString& b : buttons)
        EXPECT_EQ(buttonOf(*form, b)->isDefault(), b == u(c.byEnter)) << b.toStdString();
      form->setResult(-1);
      click(buttonOf(*form, pressed));
      EXPECT_FALSE(form->isVisible()) << "the button closes the window";
      EXPECT_EQ(form->result(), pressed == u(c.accepting) ? QDialog::Accepted : QDialog::Rejected);
    }
  }
}

TEST(SetupForms, EveryFormShowsThePictureAndTheIcon) {
  QImageReader reader(QString::fromLatin1(TfrmPictureForm::kPicturePath));
  EXPECT_EQ(reader.format(), QByteArray("jpeg"));
  const QImage image = reader.read();
  ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
  EXPECT_GT(image.width(), 32);
  EXPECT_GT(image.height(), 32);
  EXPECT_FALSE(QImage(QString::fromLatin1(TfrmPictureForm::kIconPath)).isNull());

  for (const FormCase& c : formCases()) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<TfrmPictureForm> form = c.make();
    form->show();
    const QPixmap shown = form->pictureLabel()->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(form->pictureLabel()->isVisible());
    EXPECT_EQ(shown.size(), image.size());
    EXPECT_FALSE(form->windowIcon().isNull());
    // The picture fits beside the texts: nothing of the window is cut.
    EXPECT_GE(form->height(), shown.height());
  }
}

TEST(SetupForms, TheStartFormStaysHiddenAndRunsTheWorkOnceFromTheEventLoop) {
  swde::TfrmMain form;
  EXPECT_EQ(labelsOf(form), (QStringList{u("Instalator oprogramowania"), u("OLVEN")}));
  EXPECT_FALSE(form.isVisible());

  QSignalSpy done(&form, &swde::TfrmMain::workDone);
  int runs = 0;
  form.start([&runs] {
    ++runs;
    // A dialog's loop inside the work must not start it again.
    QCoreApplication::processEvents();
    return 2;
  });
  EXPECT_EQ(runs, 0) << "the work waits for the event loop";
  EXPECT_FALSE(form.done());
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(form.done());
  EXPECT_EQ(form.status(), 2);
  ASSERT_EQ(done.count(), 1);
  EXPECT_EQ(done.front().front().toInt(), 2);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
