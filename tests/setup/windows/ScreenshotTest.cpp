// Every window of the installer and the uninstaller grabbed offscreen into
// PNG files of the build tree.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <filesystem>

#include "SetupWindowSupport.h"
#include "app/window/ScreenshotSupport.h"
#include "setup/TfrmEnd.h"
#include "setup/TfrmEndDeinst.h"
#include "setup/TfrmFirstQuestion.h"
#include "setup/TfrmFolders.h"
#include "setup/TfrmPictureForm.h"
#include "setup/TfrmStatus.h"
#include "setup/TfrmUninstallQuestion.h"

namespace {

using setupwintest::expectNothingCut;
using setupwintest::u;
using windowtest::saveScreenshot;

// The model reads a folder's list in a thread of its own and sorts it later:
// waits in the event loop until the tree's top shows the names in this order
// (the guard only keeps a lost notice from stopping the wait).
void waitForFolders(const swde::TfrmFolders& form, const QStringList& names) {
  QFileSystemModel& model = *form.model();
  const QModelIndex top = form.tree()->rootIndex();
  auto shown = [&] {
    QStringList rows;
    for (int row = 0; row < model.rowCount(top); ++row)
      rows << model.fileName(model.index(row, 0, top));
    return rows;
  };
  QEventLoop loop;
  QObject::connect(&model, &QAbstractItemModel::rowsInserted, &loop, &QEventLoop::quit);
  QObject::connect(&model, &QAbstractItemModel::layoutChanged, &loop, &QEventLoop::quit);
  QObject::connect(&model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (shown() != names && std::chrono::steady_clock::now() < end) {
    guard.start(100);
    loop.exec();
  }
  ASSERT_EQ(shown(), names);
}

TEST(SetupScreenshots, EveryWindow) {
  {
    swde::TfrmFirstQuestion form;
    form.show();
    expectNothingCut(form);
    saveScreenshot(form, "setup_first_question.png");
  }
  {
    setupwintest::TempHome home;
    for (const char* name : {"Pulpit", "Programy", "Pobrane", "Dokumenty", ".local/share/olven"})
      std::filesystem::create_directories(home / name);
    swde::TfrmFolders form(home / ".local/share/olven/", nullptr);
    form.show();
    waitForFolders(form, {u(".local"), u("Dokumenty"), u("Pobrane"), u("Programy"), u("Pulpit")});
    expectNothingCut(form);
    saveScreenshot(form, "setup_folders.png");
  }
  {
    swde::TfrmStatus form;
    form.begin(swde::setupUi::Mode::Install, 23);
    form.show();
    for (int i = 0; i < 9; ++i) form.step(u("Kopiowanie pliku libolvenlibProxy.so"));
    expectNothingCut(form);
    saveScreenshot(form, "setup_status_install.png");
    form.begin(swde::setupUi::Mode::Uninstall, 5);
    form.step(u("Usuwanie wpisów w rejestrach"));
    form.step(u("Usuwanie plików"));
    expectNothingCut(form);
    saveScreenshot(form, "setup_status_uninstall.png");
  }
  {
    swde::TfrmEnd form;
    form.show();
    expectNothingCut(form);
    saveScreenshot(form, "setup_end.png");
  }
  {
    swde::TfrmUninstallQuestion form;
    form.show();
    expectNothingCut(form);
    saveScreenshot(form, "setup_uninstall_question.png");
  }
  {
    swde::TfrmEndDeinst form;
    form.show();
    expectNothingCut(form);
    saveScreenshot(form, "setup_end_uninstall.png");
  }
  {
    QMessageBox box(QMessageBox::Critical, u("Błąd instalacji"),
                    u("Nie można otworzyc pliku /home/jan/pobrane/runimage/olven"),
                    QMessageBox::Ok);
    box.setWindowIcon(swde::TfrmPictureForm::programIcon());
    box.show();
    expectNothingCut(box);
    saveScreenshot(box, "setup_message.png");
  }
}

}  // namespace
