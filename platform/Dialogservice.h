#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// The modal dialogs and boxes of the application, behind one interface so that tests answer
// them without a person (they install a scripted double with ScopedDialogService). Every call
// blocks until the dialog is answered; the owner may be null.
//
//   TFileDialogRequest request;
//   request.kind = TFileDialogKind::Open;
//   request.filter = "PPI,HSQ File(*.scn)|*.scn";  // label|pattern pairs, see Dialogfilter.h
//   request.initialFolder = folder;
//   request.multiSelect = true;
//   const TFileDialogAnswer answer = DialogService().RunFileDialog(this, request);
//   if (answer.confirmed) { ... answer.files ... }

enum class TFileDialogKind {
    Open,        // one or more existing files
    OpenPicture, // one existing picture file
    Save,        // a file name to write
    Folder,      // one existing folder (the filter is not used)
};

struct TFileDialogRequest {
    TFileDialogKind kind = TFileDialogKind::Open;
    QString filter;        // label|pattern pairs separated by vertical bars
    QString initialFolder; // folder the dialog starts in; empty for the current folder
    QString fileName;      // proposed file name (or path); empty for none
    bool multiSelect = false;
};

struct TFileDialogAnswer {
    bool confirmed = false;
    QStringList files; // full paths of the chosen files; empty when cancelled
};

class TDialogService {
public:
    virtual ~TDialogService() = default;

    /// Open, picture or save dialog. Returns whether the user confirmed, and the chosen paths.
    virtual TFileDialogAnswer RunFileDialog(QWidget* owner, const TFileDialogRequest& request) = 0;
    /// Print dialog for `printer`, which it sets up. Returns false when the user cancelled.
    virtual bool RunPrintDialog(QWidget* owner, QPrinter& printer) = 0;
    /// Input box with caption, prompt and a default text. Returns the text entered, or
    /// `defaultText` when the user cancelled.
    virtual QString InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                             const QString& defaultText) = 0;
    /// Message box with `text`, the caption "Error", the error icon and an OK button.
    virtual void ErrorBox(QWidget* owner, const QString& text) = 0;
    /// The application's box for an exception that reached the event loop: `message` with the
    /// application's name as caption and the error icon.
    virtual void ExceptionBox(QWidget* owner, const QString& message) = 0;
};

/// The installed service: the innermost ScopedDialogService, else the Qt dialogs.
TDialogService& DialogService();

/// Installs `service` while it lives; the previous one comes back when it is destroyed.
class ScopedDialogService {
public:
    explicit ScopedDialogService(TDialogService& service);
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    TDialogService* previous_;
};
