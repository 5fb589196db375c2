#pragma once
// The one form: the settings window with its five tabs, the owner of the tray icon, and the
// shell that start-up drives. Its controls mirror the live settings model both ways.
// The window's contents are built when it is first shown: a program that only sits in the
// tray never pays for its widgets or for the Japanese font they draw with.
#include <QFont>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/application.h"
#include "app/tray.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace quillenta {

class MainForm : public QWidget, public Shell {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 644;
  static constexpr int kClientHeight = 285;

  // chooser: the "参照" dialog; null gives the QFileDialog one.
  explicit MainForm(Application& app, FileChooser* chooser = nullptr);
  ~MainForm() override;

  void HideToTray() override;
  void ShowAtStart() override;
  void ShowFromTray();

  TrayIcon& tray() { return tray_; }
  // Null until the contents are built.
  QTabWidget* tabs() const { return tabs_; }

  // Builds the contents from the model as it stands now; later calls do nothing. Showing the
  // window builds them first.
  void EnsureBuilt();
  bool Built() const { return built_; }
  void setVisible(bool visible) override;

  // "ＭＳ Ｐゴシック" at 12 px where installed, else a Japanese Gothic of the system.
  static QFont UiFont();
  // Narrows a control's font until its caption fits the width the layout gives it.
  static void FitCaption(QWidget* control);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The tabs, in the tab control's order.
  QWidget* BuildOrderTab();
  QWidget* BuildContentTab1();
  QWidget* BuildContentTab2();
  QWidget* BuildWatchTab();
  QWidget* BuildAboutTab();
  void BuildBottomRow();

  QGroupBox* AddGroup(QWidget* parent, const QString& title, QRect geometry);
  QCheckBox* AddCheck(QWidget* parent, FlagKey key, const QString& caption, QRect geometry);
  QLineEdit* AddEdit(QWidget* parent, TextKey key, QRect geometry);
  // A caption at left and the field after it, on one row.
  QLineEdit* AddLabeledEdit(QWidget* parent, TextKey key, const QString& caption, int x, int y,
                            int caption_width, int edit_width);
  QLabel* AddLabel(QWidget* parent, const QString& text, QRect geometry);
  QPushButton* AddButton(QWidget* parent, const QString& name, const QString& caption,
                         QRect geometry);
  QMenu* AddCopyMenu(QLineEdit* field, const QString& menu_name);

  void OnSettingChanged(const SettingChange& change);
  void SyncByteUnit();
  void SyncExtraMode();
  void SyncCombined();
  void RefreshOrderLabels();
  void ShowCentered();
  void OpenLink(QLineEdit* field);
  // Runs a button's action; an error ends only that action and reaches the error report.
  void Guarded(const std::function<void()>& action);

  Application& app_;
  std::unique_ptr<FileChooser> own_chooser_;
  FileChooser* chooser_;
  TrayIcon tray_;
  QTabWidget* tabs_ = nullptr;
  std::array<QCheckBox*, kFlagCount> checks_{};
  std::array<QLineEdit*, kTextCount> edits_{};
  std::array<QRadioButton*, 3> unit_buttons_{};
  QCheckBox* combined_received_ = nullptr;
  QCheckBox* combined_sent_ = nullptr;
  QAction* extra_action_ = nullptr;
  std::array<QLabel*, kItemCodeCount + 1> position_labels_{};
  QLineEdit* mail_field_ = nullptr;
  QLineEdit* web_field_ = nullptr;
  bool placed_ = false;
  bool built_ = false;
};

}  // namespace quillenta
