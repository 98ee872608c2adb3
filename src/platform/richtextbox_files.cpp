// Plain-text files of the edit control: the codec between the disk and the widget's blocks.
#include "platform/richtextbox.h"

#include <QFileInfo>
#include <QTextDocument>

#include "platform/richtextbox_p.h"
#include "text/fileio.h"

#include <cerrno>
#include <new>

namespace platform {

namespace {

constexpr int FileAccessError = 75;

QString pathKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

text::LineEnd endBefore(const QTextBlock &block, text::LineEnd main)
{
    const QVariant kind = block.blockFormat().property(LineEndProperty);
    return kind.isValid() ? text::LineEnd(kind.toInt()) : main;
}

}

bool holdsPlaceholder(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i)
        if (text::isPlaceholderAt(s, i))
            return true;
    return false;
}

int RichTextBox::LoadFile(const QString &path, int)
{
    QByteArray bytes;
    if (!text::readFile(path, bytes))
        return FileAccessError;
    try {
        const text::TextFormat format = text::detect(bytes);
        text::Decoded decoded = text::decode(bytes, format);
        bytes = QByteArray();
        EditorEngine &engine = *m_engine;
        delete engine.marks;
        engine.marks = nullptr;
        engine.format = format;
        engine.wholeText = true;
        engine.editor->setPlainText(decoded.text);
        engine.wholeText = false;

        // Record each line end that differs from the main style on the block after it.
        QTextDocument *doc = engine.document();
        doc->setUndoRedoEnabled(false);
        QTextCursor c(doc);
        c.beginEditBlock();
        QTextBlock block = doc->firstBlock();
        for (const text::LineEnd end : decoded.ends) {
            block = block.next();
            if (end == format.lineEnd || !block.isValid())
                continue;
            QTextBlockFormat f = block.blockFormat();
            f.setProperty(LineEndProperty, int(end));
            c.setPosition(block.position());
            c.setBlockFormat(f);
        }
        c.endEditBlock();
        doc->setUndoRedoEnabled(true);
        if (holdsPlaceholder(decoded.text) || decoded.text.contains(QLatin1Char('\t')))
            engine.showMarks();
        engine.ownedPaths.insert(pathKey(path));
        engine.setCursor(QTextCursor(doc));
        engine.invalidateRows();
    } catch (const std::bad_alloc &) {
        return FileAccessError;
    }
    return 0;
}

int RichTextBox::SaveFile(const QString &path, int)
{
    if (path.isEmpty())
        return FileAccessError;
    EditorEngine &engine = *m_engine;
    text::TextFormat format = engine.format;
    const QTextDocument *doc = engine.document();
    if (format.encoding == text::Encoding::Latin8) {
        for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
            if (!text::canEncode(b.text(), format.encoding)) {
                // Never write a character as something else: the whole file becomes UTF-8.
                format = {text::Encoding::Utf8, false, format.lineEnd};
                break;
            }
        }
    }
    QByteArray bytes;
    try {
        text::Encoder encoder(format);
        for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
            if (b != doc->firstBlock())
                encoder.appendEnd(endBefore(b, engine.format.lineEnd));
            encoder.appendLine(b.text());
        }
        bytes = encoder.take();
    } catch (const std::bad_alloc &) {
        return FileAccessError;
    }
    const bool owned = engine.ownedPaths.contains(pathKey(path));
    if (!text::writeFile(path, bytes, text::WriteOptions{owned}))
        return FileAccessError;
    m_reencoded = format != engine.format;
    engine.format = format;
    engine.ownedPaths.insert(pathKey(path));
    return 0;
}

void RichTextBox::ClaimPath(const QString &path)
{
    m_engine->ownedPaths.insert(pathKey(path));
}

}
