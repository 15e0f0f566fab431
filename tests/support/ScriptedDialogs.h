#pragma once

#include <QStringList>

#include <deque>
#include <variant>
#include <vector>

#include "platform/OperatorDialogs.h"

namespace picura::test {

// Stands in for the operator: answers come from queues filled by the test,
// and every dialog shown is recorded with its exact texts. An empty queue
// answers like a cancelled dialog (Cancel / No for questions, Ok for messages).
class ScriptedDialogs : public OperatorDialogs {
  public:
    struct Shown {
        enum Kind { Message, OpenFile, SaveFile, Folder, Colour, Font } kind;
        QString text;  // message text, or the dialog's filter
        QString title;
        MessageIcon icon = MessageIcon::None;
        MessageButtons buttons = MessageButtons::Ok;
        FileDialogRequest file;  // for file dialogs
    };

    std::vector<Shown> shown;
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> paths;  // open, save and folder dialogs
    std::deque<std::optional<QColor>> colours;
    std::deque<std::optional<QFont>> fonts;

    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override {
        shown.push_back({Shown::Message, text, title, icon, buttons, {}});
        if (!answers.empty()) {
            MessageAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        switch (buttons) {
            case MessageButtons::Ok: return MessageAnswer::Ok;
            case MessageButtons::OkCancel: return MessageAnswer::Cancel;
            default: return MessageAnswer::No;
        }
    }
    std::optional<QString> openFile(const FileDialogRequest& r) override {
        shown.push_back({Shown::OpenFile, r.filter, r.title, MessageIcon::None, MessageButtons::Ok, r});
        return nextPath();
    }
    std::optional<QString> saveFile(const FileDialogRequest& r) override {
        shown.push_back({Shown::SaveFile, r.filter, r.title, MessageIcon::None, MessageButtons::Ok, r});
        return nextPath();
    }
    std::optional<QString> pickFolder(const QString& title, const QString& start) override {
        FileDialogRequest r;
        r.title = title;
        r.startFolder = start;
        shown.push_back({Shown::Folder, QString(), title, MessageIcon::None, MessageButtons::Ok, r});
        return nextPath();
    }
    std::optional<QColor> pickColour(const QColor&, const QString& title) override {
        shown.push_back({Shown::Colour, QString(), title, MessageIcon::None, MessageButtons::Ok, {}});
        return next(colours);
    }
    std::optional<QFont> pickFont(const QFont&, const QString& title) override {
        shown.push_back({Shown::Font, QString(), title, MessageIcon::None, MessageButtons::Ok, {}});
        return next(fonts);
    }

    // The texts of the messages shown, in order.
    QStringList messages() const {
        QStringList out;
        for (const auto& s : shown) {
            if (s.kind == Shown::Message) {
                out << s.text;
            }
        }
        return out;
    }
    const Shown* lastMessage() const {
        for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
            if (it->kind == Shown::Message) {
                return &*it;
            }
        }
        return nullptr;
    }

  private:
    std::optional<QString> nextPath() { return next(paths); }
    template <typename T>
    static std::optional<T> next(std::deque<std::optional<T>>& q) {
        if (q.empty()) {
            return std::nullopt;
        }
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace picura::test
