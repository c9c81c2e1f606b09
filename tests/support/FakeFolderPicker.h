#pragma once

#include "core/intake/FolderPicker.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace vantry::test {

// Answers folder requests from a queue instead of showing a dialog, and records each request
// as "prompt | message". An empty queue answers as a cancelled dialog.
class FakeFolderPicker final : public FolderPicker {
public:
    std::deque<std::optional<QString>> answers;
    QStringList requests;

    // Queues one answer: a folder, or none for a cancelled dialog.
    FakeFolderPicker& answer(std::optional<QString> folder)
    {
        answers.push_back(std::move(folder));
        return *this;
    }

    QCoro::Task<std::optional<QString>> pickFolder(QString prompt, QString message) override
    {
        requests << prompt + QStringLiteral(" | ") + message;
        std::optional<QString> folder;
        if (!answers.empty()) {
            folder = std::move(answers.front());
            answers.pop_front();
        }
        co_return folder;
    }
};

} // namespace vantry::test
