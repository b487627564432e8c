#pragma once
// COpenFileDlg: the modal dialog that chooses the relief, the compression factors and the texture.
#include <wx/bitmap.h>
#include <wx/dialog.h>

#include <string>

#include "hostlib/HostString.h"
#include "terrain/Document.h"

class CInFileCtrl;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxStaticText;
class wxTextCtrl;

class COpenFileDlg : public wxDialog {
public:
  explicit COpenFileDlg(wxWindow* parent);
  ~COpenFileDlg() override;
  int DoModal();  // wxID_OK (IDOK) or wxID_CANCEL

  // Results, read by the frame after wxID_OK.
  int singleTexture = 1;
  int useTexture = 0;
  CString reliefPath;
  CString redPath, greenPath, bluePath;
  CString texturePath;
  int factorX = 1;
  int factorY = 1;
  unsigned component = 0;
  // How the relief is read: band, overviews, holes and a no-data value the file does not declare.
  lib3d::ReliefOptions reliefOptions;

  // The variables the data exchange binds to the factor edits and "Save proportions".
  int editFactorX = 1;
  int keepProportions = 0;
  int editFactorY = 1;

  // Builds the window with its controls and runs the opening step (once). DoModal does this
  // itself; a caller may do it first to use the dialog without a modal loop.
  bool CreateDialog();
  // Runs the data exchange; false when a save pass stopped at an invalid edit.
  bool UpdateData(bool save);
  CInFileCtrl* file_control() const { return fileCtrl_; }

  // Handlers, public so that the dialog's behaviour can be driven without a user.
  void OnInitDialog();
  void OnInFileChosen(wxCommandEvent& event);
  void OnFactorChanged(bool xEdit);
  void OnFactorCommitted(bool xEdit);
  void OnTextureSwitch();
  void OnRgbSwitch();
  void OnPick(int buttonId);
  void OnOK();
  void OnCancel();
  // The texture file pick shared by the four "L" buttons: the chosen and accepted path, or "".
  CString PickTextureFile();

  // "The file is not correct!" over `parent`, with the cause (when known) as the secondary text.
  static void ShowFileError(wxWindow* parent, const std::string& cause);
  // The cause shown under the message for a refused file: one line naming what is wrong with it.
  static std::string FileProblem(const std::string& path);

private:
  void FillSizeLabel();
  // Says whether the single texture file will be laid over the relief by georeferencing.
  void FillDrapeNote();
  // Lists the relief's bands (shown for more than one); false, changing nothing, when it does not open.
  bool FillBands(const CString& path);
  void EndWith(int code);
  wxTextCtrl* Edit(int id) const;

  wxWindow* parent_;
  bool created_ = false;
  wxBitmap iconRed_, iconGreen_, iconBlue_, iconGrey_;

  wxStaticText* sizeLabel_ = nullptr;
  wxStaticText* drapeNote_ = nullptr;
  wxTextCtrl* editY_ = nullptr;
  wxTextCtrl* editX_ = nullptr;
  wxWindow* fileHolder_ = nullptr;
  CInFileCtrl* fileCtrl_ = nullptr;
  wxCheckBox* keepBox_ = nullptr;
  wxCheckBox* textureBox_ = nullptr;
  wxCheckBox* rgbBox_ = nullptr;
  wxButton* openButton_ = nullptr;
  wxButton* pickRed_ = nullptr;
  wxButton* pickGreen_ = nullptr;
  wxButton* pickBlue_ = nullptr;
  wxButton* pickSingle_ = nullptr;
  wxChoice* band_ = nullptr;
  wxCheckBox* overviewsBox_ = nullptr;
  wxCheckBox* holesBox_ = nullptr;
  wxTextCtrl* nodataEdit_ = nullptr;
};
