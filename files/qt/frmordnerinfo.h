// The folder properties window: name, location, size and contents of a folder.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <functional>
#include <string>

namespace vxm {

class Hauptfensterzugang;

class frmOrdnerInfo : public QDialog {
 public:
  explicit frmOrdnerInfo(QWidget* eltern = nullptr);

  // Placement beside the main window and the window scaling of the suite.
  void Form_Load(Hauptfensterzugang& f);
  // Fills the controls from a folder path (starting from the designed captions).
  void Fuellen(const std::string& pfad);
  // Shows the window modally. With NachDemZeigen set, that runs once the
  // window is up (tests and screenshots close or capture it there).
  int Zeigen();
  static std::function<void(frmOrdnerInfo&)> NachDemZeigen;

  QGroupBox* Frame1;
  QLabel *Label1, *Label2, *Label3, *Label4;
  QLineEdit* txtName;
  QLabel* lblOrdnerOrt;
  std::array<QLabel*, 3> lblInfo;  // objectNames lblInfo_0 .. lblInfo_2
  QLabel* Image1;
  QPushButton* cmdEnde;
};

}  // namespace vxm
