// Where sentences of a line begin and end.
#include "platform/view/textunits.h"

#include <QTextBoundaryFinder>

namespace platform {

std::pair<int, int> sentenceAt(QStringView s, int at)
{
    const int n = int(s.size());
    at = qBound(0, at, n);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, s.data(), int(n));
    finder.setPosition(at);
    int start = at;
    if (!(finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem))
        start = finder.toPreviousBoundary();
    const int end = finder.toNextBoundary();
    return {start < 0 ? 0 : start, end < 0 ? n : end};
}

}
