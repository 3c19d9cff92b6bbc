#include "versioning/UnifiedDiff.h"

#include "platform/TextRules.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int Context = 3;

enum class Op : char { Same = ' ', Removed = '-', Added = '+' };

struct Step {
    Op op;
    int oldLine;
    int newLine;
};

// The shortest edit script from a to b (Myers), or nothing when it takes
// more than maxEdits. Only the part between the common head and tail is
// searched.
std::optional<std::vector<Step>> EditScript(const QStringList& a, const QStringList& b,
                                            int maxEdits) {
    const int n = int(a.size());
    const int m = int(b.size());
    int head = 0;
    while (head < n && head < m && a[head] == b[head])
        ++head;
    int tail = 0;
    while (tail < n - head && tail < m - head && a[n - 1 - tail] == b[m - 1 - tail])
        ++tail;
    const int N = n - head - tail;
    const int M = m - head - tail;
    auto A = [&](int i) -> const QString& { return a[head + i]; };
    auto B = [&](int i) -> const QString& { return b[head + i]; };

    // trace[d] holds V[k] for k in -d-1 .. d+1 as it stood before step d.
    std::vector<std::vector<int>> trace;
    const int limit = std::min(N + M, maxEdits);
    std::vector<int> v(size_t(2 * (limit + 1) + 1), 0);
    const int offset = limit + 1;
    int found = -1;
    for (int d = 0; d <= limit && found < 0; ++d) {
        trace.emplace_back(v.begin() + (offset - d - 1), v.begin() + (offset + d + 2));
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                        ? v[size_t(offset + k + 1)]
                        : v[size_t(offset + k - 1)] + 1;
            int y = x - k;
            while (x < N && y < M && A(x) == B(y)) {
                ++x;
                ++y;
            }
            v[size_t(offset + k)] = x;
            if (x >= N && y >= M) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return std::nullopt;

    std::vector<Step> middle;
    int x = N;
    int y = M;
    for (int d = found; d >= 0; --d) {
        const std::vector<int>& before = trace[size_t(d)];
        auto at = [&](int k) { return before[size_t(k + d + 1)]; };
        const int k = x - y;
        const int prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int prevX = d == 0 ? 0 : at(prevK);
        const int prevY = d == 0 ? 0 : prevX - prevK;
        while (x > prevX && y > prevY) {
            --x;
            --y;
            middle.push_back({Op::Same, x, y});
        }
        if (d > 0) {
            if (x == prevX)
                middle.push_back({Op::Added, x, prevY});
            else
                middle.push_back({Op::Removed, prevX, y});
        }
        x = prevX;
        y = prevY;
    }
    std::reverse(middle.begin(), middle.end());

    std::vector<Step> steps;
    steps.reserve(size_t(head + tail) + middle.size());
    for (int i = 0; i < head; ++i)
        steps.push_back({Op::Same, i, i});
    for (const Step& step : middle)
        steps.push_back({step.op, step.oldLine + head, step.newLine + head});
    for (int i = tail; i > 0; --i)
        steps.push_back({Op::Same, n - i, m - i});
    return steps;
}

// "start,count" of a hunk's range; an empty range names the line before it.
QString Range(int first, int count) {
    const int start = count == 0 ? first : first + 1;
    if (count == 1)
        return QString::number(start);
    return QStringLiteral("%1,%2").arg(start).arg(count);
}

} // namespace

QStringList UnifiedDiff::Lines(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(u'\r', u'\n');
    QStringList lines = normal.split(u'\n');
    // A closing line end starts no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QString> UnifiedDiff::Of(const QString& oldText, const QString& newText,
                                       const QString& oldName, const QString& newName,
                                       int maxEdits) {
    const QStringList a = Lines(oldText);
    const QStringList b = Lines(newText);
    const std::optional<std::vector<Step>> script = EditScript(a, b, maxEdits);
    if (!script)
        return std::nullopt;
    const std::vector<Step>& steps = *script;
    QString out;
    size_t i = 0;
    while (i < steps.size()) {
        // The next change, and the hunk around it: changes closer than
        // twice the context share one hunk.
        while (i < steps.size() && steps[i].op == Op::Same)
            ++i;
        if (i == steps.size())
            break;
        const size_t begin = i >= size_t(Context) ? i - size_t(Context) : 0;
        size_t end = i;
        size_t sameRun = 0;
        for (size_t j = i; j < steps.size(); ++j) {
            if (steps[j].op == Op::Same) {
                if (++sameRun > size_t(2 * Context))
                    break;
            } else {
                sameRun = 0;
                end = j + 1;
            }
        }
        end = std::min(steps.size(), end + size_t(Context));
        if (out.isEmpty())
            out += QStringLiteral("--- %1\n+++ %2\n").arg(oldName, newName);
        int oldCount = 0;
        int newCount = 0;
        for (size_t j = begin; j < end; ++j) {
            oldCount += steps[j].op != Op::Added;
            newCount += steps[j].op != Op::Removed;
        }
        out +=
            QStringLiteral("@@ -%1 +%2 @@\n")
                .arg(Range(steps[begin].oldLine, oldCount), Range(steps[begin].newLine, newCount));
        for (size_t j = begin; j < end; ++j) {
            const Step& step = steps[j];
            out += QChar(char(step.op));
            out += step.op == Op::Added ? b[step.newLine] : a[step.oldLine];
            out += u'\n';
        }
        i = end;
    }
    return out;
}

bool UnifiedDiff::IsText(const QByteArray& bytes) {
    if (bytes.left(8192).contains('\0'))
        return false;
    return TextRules::IsUtf8(bytes);
}
