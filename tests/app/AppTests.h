// The test classes of the desktop application, made by name.
#pragma once

#include <QObject>
#include <memory>

namespace velkaro::test {

std::unique_ptr<QObject> MakeMainWindowTest();
std::unique_ptr<QObject> MakeFolderTreeTest();
std::unique_ptr<QObject> MakeSettingsDialogTest();
std::unique_ptr<QObject> MakeFileListModelTest();
std::unique_ptr<QObject> MakeUnitValTest();
std::unique_ptr<QObject> MakePreviewPaneTest();
std::unique_ptr<QObject> MakeDiagnosticsLogTest();

}  // namespace velkaro::test
