#include "commandline.h"

#include "outputqueue.h"

#include <QLineEdit>
#include <QTimer>
#include <QValidator>

#include <limits>
#include <memory>

namespace qn62 {

namespace {

class CommandLength : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return input.size() > commandLineMaxLength() ? Invalid : Acceptable;
    }
};

// A line edit keeps an undo entry for every character inserted or removed.
// Once the characters changed since the last reset pass the budget, the
// history is dropped (the text and the cursor stay).
void boundUndoHistory(QLineEdit *edit)
{
    static constexpr qsizetype Budget = 64 * 1024;
    auto changed = std::make_shared<qsizetype>(0);
    auto previous = std::make_shared<QString>(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit, [=](const QString &text) {
        const qsizetype shorter = qMin(text.size(), previous->size());
        qsizetype head = 0, tail = 0;
        while (head < shorter && text[head] == previous->at(head))
            ++head;
        while (tail < shorter - head && text[text.size() - 1 - tail] == previous->at(previous->size() - 1 - tail))
            ++tail;
        *changed += (text.size() - head - tail) + (previous->size() - head - tail);
        *previous = text;
        if (*changed <= Budget)
            return;
        *changed = 0;
        // Not from inside the edit that is still being finished.
        QTimer::singleShot(0, edit, [edit] {
            const int cursor = edit->cursorPosition();
            edit->setText(edit->text());
            edit->setCursorPosition(cursor);
        });
    });
}

} // namespace

int commandLineMaxLength()
{
    return int(OutputQueue::Capacity) - 1;
}

void limitCommandLine(QLineEdit *edit, std::function<void(const QString &why)> refused)
{
    // No cut by length: the validator refuses an over-long edit whole.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setValidator(new CommandLength(edit));
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [refused] {
        refused(QStringLiteral("The command line takes at most %1 characters; the text was not taken.")
                    .arg(commandLineMaxLength()));
    });
    boundUndoHistory(edit);
}

} // namespace qn62
