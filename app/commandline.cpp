#include "commandline.h"

#include "outputqueue.h"

#include <QKeyEvent>
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

// A line edit keeps an undo entry for every character inserted or removed,
// also when a paste puts the same text back over its selection. Every edit
// counts what it removed and inserted (at least the selection it replaced);
// once that passes the budget, the history is dropped (the text and the
// cursor stay).
void boundUndoHistory(QLineEdit *edit)
{
    static constexpr qsizetype Budget = 64 * 1024;
    auto held = std::make_shared<qsizetype>(0);
    auto selected = std::make_shared<qsizetype>(0);
    auto previous = std::make_shared<QString>(edit->text());
    // Emitted after textChanged(), so an edit still sees the selection it replaced.
    QObject::connect(edit, &QLineEdit::selectionChanged, edit, [=] { *selected = edit->selectedText().size(); });
    QObject::connect(edit, &QLineEdit::textChanged, edit, [=](const QString &text) {
        const qsizetype shorter = qMin(text.size(), previous->size());
        qsizetype head = 0, tail = 0;
        while (head < shorter && text[head] == previous->at(head))
            ++head;
        while (tail < shorter - head && text[text.size() - 1 - tail] == previous->at(previous->size() - 1 - tail))
            ++tail;
        const qsizetype removed = qMax(previous->size() - head - tail, *selected);
        *held += removed + (removed + text.size() - previous->size());
        *previous = text;
        if (*held <= Budget)
            return;
        *held = 0;
        // Not from inside the edit that is still being finished.
        QTimer::singleShot(0, edit, [edit] {
            const int cursor = edit->cursorPosition();
            edit->setText(edit->text());
            edit->setCursorPosition(cursor);
        });
    });
}

class AccessKeyFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers shiftCtrlAlt = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        return key->key() == Qt::Key_K && (key->modifiers() & shiftCtrlAlt) == Qt::ControlModifier;
    }
};

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

void ignoreAccessKey(QLineEdit *edit)
{
    edit->installEventFilter(new AccessKeyFilter(edit));
}

} // namespace qn62
