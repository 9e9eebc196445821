#pragma once

// A dialog service for tests: it answers file dialogs, print dialogs and input boxes from queues
// the test fills, records every request and every box shown, and can run a test's action while a
// box is "open" (as a person would click something during a modal box).

#include "platform/Dialogservice.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

class ScriptedDialogs final : public TDialogService {
public:
    ScriptedDialogs() : installed_(*this) {}

    // Answers, taken in order. A dialog without a queued answer is cancelled and fails the test.
    std::deque<TFileDialogAnswer> fileAnswers;
    std::deque<bool> printAnswers;
    std::deque<QString> inputAnswers; // an answer of a null QString cancels (returns the default)

    // What was asked and shown.
    std::vector<TFileDialogRequest> fileRequests;
    struct InputRequest {
        QString caption;
        QString prompt;
        QString defaultText;
    };
    std::vector<InputRequest> inputRequests;
    std::vector<QString> errorBoxes;
    std::vector<QString> exceptionBoxes;

    /// Runs while the print dialog is open (to choose the printer, e.g. a PDF file).
    std::function<void(QPrinter&)> whilePrintDialogOpen;
    /// Runs while an error box is open, with its text.
    std::function<void(const QString&)> whileErrorBoxOpen;

    TFileDialogAnswer RunFileDialog(QWidget*, const TFileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (fileAnswers.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return {};
        }
        TFileDialogAnswer answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    bool RunPrintDialog(QWidget*, QPrinter& printer) override {
        if (printAnswers.empty()) {
            ADD_FAILURE() << "unexpected print dialog";
            return false;
        }
        const bool answer = printAnswers.front();
        printAnswers.pop_front();
        if (whilePrintDialogOpen) {
            whilePrintDialogOpen(printer);
        }
        return answer;
    }

    QString InputBox(QWidget*, const QString& caption, const QString& prompt,
                     const QString& defaultText) override {
        inputRequests.push_back({caption, prompt, defaultText});
        if (inputAnswers.empty()) {
            ADD_FAILURE() << "unexpected input box " << caption.toStdString();
            return defaultText;
        }
        const QString answer = inputAnswers.front();
        inputAnswers.pop_front();
        return answer.isNull() ? defaultText : answer;
    }

    void ErrorBox(QWidget*, const QString& text) override {
        errorBoxes.push_back(text);
        if (whileErrorBoxOpen) {
            whileErrorBoxOpen(text);
        }
    }

    void ExceptionBox(QWidget*, const QString& message) override { exceptionBoxes.push_back(message); }

private:
    ScopedDialogService installed_;
};
