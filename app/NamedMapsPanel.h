// NamedMapsPanel: the settings dialog's list of maps saved under names
// ("保存した対応表") — choose one to put it into the ten boxes, save the
// boxes under a name, rename, delete, export and import — and the map
// suggested from a template drawing ("基準図面から作成…").
//
// The maps live in the core's maps file beside the settings file; an office's
// standard maps beside an installed program are offered too, marked, and
// never changed from here. A maps file that cannot be read is reported once
// and left as it is: the list then stays empty and nothing is saved over it.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "convert/UnitV.h"
#include "service/NamedMaps.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace velkaro {

class Desktop;

class NamedMapsPanel : public QWidget {
  Q_OBJECT
 public:
  NamedMapsPanel(Desktop &desktop, QWidget *parent = nullptr);

  // The user's maps file and the office's (read-only; empty for none).
  // Reads them; a damaged user file is reported (once per file).
  void setFiles(const QString &userFile, const QString &officeFile);
  // The drawings a suggestion is made for (the rows selected in the list).
  void setSelectedDrawings(std::vector<std::u16string> paths);
  // What the boxes show now, asked when saving.
  void setCurrentMap(std::function<TMojiShuMap()> current) { current_ = std::move(current); }

  const std::vector<NamedMap> &maps() const { return maps_; }
  QListWidget *list() const { return list_; }
  QPushButton *button(const char *name) const;

 signals:
  // A map to put into the boxes (chosen from the list, or suggested).
  void mapChosen(const velkaro::TMojiShuMap &map);
  // The lines that say why each kind of a suggestion goes where it goes.
  void suggested(const QString &reasons);

 public slots:
  void SaveCurrent();
  void RenameSelected();
  void DeleteSelected();
  void Export();
  void Import();
  void SuggestFromTemplate();

 private:
  void Load();
  bool Store();
  void Fill();
  void UpdateButtons();
  const NamedMap *Selected() const;
  QPushButton *AddButton(const char *name, const QString &text);

  Desktop &desktop_;
  QString userFile_, officeFile_;
  QString reportedFile_;  // a damaged file is told once
  bool writable_ = true;
  std::vector<NamedMap> maps_;
  std::vector<std::u16string> selected_;
  std::function<TMojiShuMap()> current_;
  QListWidget *list_ = nullptr;
  QLabel *title_ = nullptr;
};

}  // namespace velkaro
