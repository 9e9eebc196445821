#include "platform/Dialogservice.h"

#include "platform/Dialogfilter.h"
#include "platform/Localpath.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QUrl>

namespace {

// The dialogs of the toolkit.
class TQtDialogService final : public TDialogService {
public:
    TFileDialogAnswer RunFileDialog(QWidget* owner, const TFileDialogRequest& request) override {
        QFileDialog dialog(owner);
        dialog.setNameFilters(QtNameFilters(request.filter));
        if (!request.initialFolder.isEmpty()) {
            dialog.setDirectory(request.initialFolder);
        }
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
        if (request.kind == TFileDialogKind::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
        } else if (request.kind == TFileDialogKind::Folder) {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.multiSelect && request.kind == TFileDialogKind::Open
                                   ? QFileDialog::ExistingFiles
                                   : QFileDialog::ExistingFile);
        }
        TFileDialogAnswer answer;
        answer.confirmed = dialog.exec() == QDialog::Accepted;
        if (answer.confirmed) {
            // As URLs: a dialog of the desktop gives the names' bytes, UTF-8 or not.
            for (const QUrl& url : dialog.selectedUrls()) {
                answer.files.append(url.isLocalFile() ? LocalPathOfUrl(url) : url.toString());
            }
        }
        return answer;
    }

    bool RunPrintDialog(QWidget* owner, QPrinter& printer) override {
        QPrintDialog dialog(&printer, owner);
        return dialog.exec() == QDialog::Accepted;
    }

    QString InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                     const QString& defaultText) override {
        bool confirmed = false;
        const QString text =
            QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal, defaultText, &confirmed);
        return confirmed ? text : defaultText;
    }

    void ErrorBox(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, owner);
        box.exec();
    }

    void ExceptionBox(QWidget* owner, const QString& message) override {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok,
                        owner);
        box.exec();
    }
};

TDialogService*& Installed() {
    static TDialogService* installed = nullptr;
    return installed;
}

} // namespace

TDialogService& DialogService() {
    if (Installed() != nullptr) {
        return *Installed();
    }
    static TQtDialogService qtDialogs;
    return qtDialogs;
}

ScopedDialogService::ScopedDialogService(TDialogService& service) : previous_(Installed()) {
    Installed() = &service;
}

ScopedDialogService::~ScopedDialogService() {
    Installed() = previous_;
}
