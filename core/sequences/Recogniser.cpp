#include "core/sequences/Recogniser.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>

namespace {
// "3", "1.5", "3/4": digits, then at most one "." part and one "/" part.
bool isNumber(const QString &word)
{
    int i = 0;
    const int n = int(word.size());
    auto digits = [&] {
        const int start = i;
        while (i < n && word[i].isDigit())
            ++i;
        return i > start;
    };
    if (!digits())
        return false;
    if (i < n && word[i] == QLatin1Char('.') && (++i, !digits()))
        return false;
    if (i < n && word[i] == QLatin1Char('/') && (++i, !digits()))
        return false;
    return i == n;
}

bool isInteger(const QString &word)
{
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
}

// Words written more than one way: numbers as digits, "through" as "thru", "an" as "a".
const QHash<QString, QString> &spelling()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("one"), QStringLiteral("1")},   {QStringLiteral("two"), QStringLiteral("2")},
        {QStringLiteral("three"), QStringLiteral("3")}, {QStringLiteral("four"), QStringLiteral("4")},
        {QStringLiteral("five"), QStringLiteral("5")},  {QStringLiteral("six"), QStringLiteral("6")},
        {QStringLiteral("seven"), QStringLiteral("7")}, {QStringLiteral("eight"), QStringLiteral("8")},
        {QStringLiteral("nine"), QStringLiteral("9")},  {QStringLiteral("ten"), QStringLiteral("10")},
        {QStringLiteral("ii"), QStringLiteral("2")},    {QStringLiteral("through"), QStringLiteral("thru")},
        {QStringLiteral("an"), QStringLiteral("a")},
    };
    return table;
}

// Words that say who dances a call or how, never a call on their own: a family
// member such as "Couples" is the family's call done by them.
bool isModifier(const QStringList &words)
{
    static const QSet<QString> vocabulary = {
        QStringLiteral("named"),  QStringLiteral("dancers"), QStringLiteral("couples"), QStringLiteral("couple"),
        QStringLiteral("all"),    QStringLiteral("8"),       QStringLiteral("4"),       QStringLiteral("single"),
        QStringLiteral("file"),   QStringLiteral("split"),   QStringLiteral("box"),     QStringLiteral("wrong"),
        QStringLiteral("way"),    QStringLiteral("full"),    QStringLiteral("around"),  QStringLiteral("regular"),
        QStringLiteral("left"),   QStringLiteral("right"),   QStringLiteral("partner"), QStringLiteral("the"),
        QStringLiteral("and"),    QStringLiteral("to"),      QStringLiteral("a"),
    };
    return !words.isEmpty()
           && std::all_of(words.begin(), words.end(), [](const QString &w) { return vocabulary.contains(w); });
}

// How callers say the default lists' entries beyond what the entries spell out.
const QHash<QString, QStringList> &spokenAs()
{
    static const QHash<QString, QStringList> table = {
        {QStringLiteral("single hinge / couples hinge"), {QStringLiteral("Hinge")}},
        {QStringLiteral("separate around 1 or 2 (and come into the middle; to a line)"),
         {QStringLiteral("Separate"), QStringLiteral("Separate Around 1"), QStringLiteral("Separate Around 2")}},
        {QStringLiteral("fractional tops (1/4, 1/2, 3/4 top)"),
         {QStringLiteral("1/4 Top"), QStringLiteral("1/2 Top"), QStringLiteral("3/4 Top"), QStringLiteral("1/4 the Top"),
          QStringLiteral("1/2 the Top"), QStringLiteral("3/4 the Top")}},
        {QStringLiteral("left-hand star / right-hand star"),
         {QStringLiteral("Star Left"), QStringLiteral("Star Right"), QStringLiteral("Left Star"),
          QStringLiteral("Right Star")}},
        {QStringLiteral("arm turns"), {QStringLiteral("Arm Turn")}},
        {QStringLiteral("circle left / circle right"), {QStringLiteral("Circle")}},
        {QStringLiteral("zig and zag"),
         {QStringLiteral("Zig Zag"), QStringLiteral("Zag Zig"), QStringLiteral("Zig Zig"), QStringLiteral("Zag Zag")}},
        {QStringLiteral("checkmate the column"), {QStringLiteral("Checkmate")}},
    };
    return table;
}

// "Concept" and "Formation" name what the entry is, not what a caller says.
QString dropConceptWord(const QString &text)
{
    static const QRegularExpression tail(QStringLiteral("\\s*\\b(Concepts?|Formation)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString t = text.trimmed();
    for (int guard = 0; guard < 3 && tail.match(t).hasMatch(); ++guard)
        t.remove(tail);
    return t.trimmed();
}

QStringList spaced(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool sharesWord(const QString &a, const QString &b)
{
    const QStringList wa = Recogniser::words(a), wb = Recogniser::words(b);
    return std::any_of(wa.begin(), wa.end(), [&](const QString &w) { return w != QLatin1String("*") && wb.contains(w); });
}

// "Drop In / Out", "Cut / Flip the Galaxy", "Right / Left Arm Turn": a part of one
// word borrows the rest of its name from its neighbours.
QStringList slashAlternatives(const QString &group)
{
    static const QRegularExpression slash(QStringLiteral("\\s+/\\s+|(?<!\\d)/|/(?!\\d)"));
    QStringList parts;
    for (const QString &p : group.split(slash, Qt::SkipEmptyParts)) {
        const QString part = dropConceptWord(p);
        if (!part.isEmpty())
            parts.append(part);
    }
    if (parts.size() < 2)
        return parts;
    const QStringList first = spaced(parts.first());
    const QStringList last = spaced(parts.last());
    QStringList out;
    for (int k = 0; k < parts.size(); ++k) {
        const QStringList w = spaced(parts[k]);
        if (k > 0 && w.size() == 1 && first.size() >= 2 && !sharesWord(parts.first(), parts[k]))
            out.append((first.mid(0, first.size() - 1) + w).join(QLatin1Char(' ')));
        else if (k + 1 < parts.size() && w.size() == 1 && last.size() >= 2 && !sharesWord(parts.last(), parts[k]))
            out.append((w + last.mid(1)).join(QLatin1Char(' ')));
        else
            out.append(parts[k]);
    }
    return out;
}

// "Track 0, 1, 2" and "First Couple Go Left/Right, Next Couple Go Left/Right".
QStringList alternatives(const QString &text)
{
    QStringList out;
    QStringList firstWords;
    for (const QString &g : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString group = g.trimmed();
        if (group.isEmpty())
            continue;
        if (isNumber(group) && !firstWords.isEmpty() && isNumber(firstWords.last())) {
            out.append((firstWords.mid(0, firstWords.size() - 1) << group).join(QLatin1Char(' ')));
            continue;
        }
        if (firstWords.isEmpty())
            firstWords = spaced(group);
        out += slashAlternatives(group);
    }
    return out;
}
} // namespace

QStringList Recogniser::words(const QString &text)
{
    QString s = text.toCaseFolded();
    s.remove(QLatin1Char('\'')).remove(QChar(0x2019));
    s.replace(QLatin1Char('&'), QStringLiteral(" and "));
    QString cleaned;
    cleaned.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const bool betweenDigits = i > 0 && i + 1 < s.size() && s[i - 1].isDigit() && s[i + 1].isDigit();
        if (c.isLetterOrNumber() || c == QLatin1Char('*') || ((c == QLatin1Char('/') || c == QLatin1Char('.')) && betweenDigits))
            cleaned.append(c);
        else
            cleaned.append(QLatin1Char(' '));
    }
    const QStringList raw = cleaned.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList out;
    out.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        QString w = spelling().value(raw[i], raw[i]);
        const QString prev = out.isEmpty() ? QString() : out.last();
        if (w == QLatin1String("quarter") || w == QLatin1String("quarters")) {
            if (prev == QLatin1String("a") || prev == QLatin1String("1"))
                out.removeLast();
            else if (prev == QLatin1String("3")) {
                out.removeLast();
                w = QStringLiteral("3/4");
            }
            if (w != QLatin1String("3/4"))
                w = QStringLiteral("1/4");
        } else if (w == QLatin1String("half")) {
            if (prev == QLatin1String("a") || prev == QLatin1String("1"))
                out.removeLast();
            w = QStringLiteral("1/2");
        } else if (((w == QLatin1String("by") || w == QLatin1String("x")) && isInteger(prev) && i + 1 < raw.size()
                    && isNumber(spelling().value(raw[i + 1], raw[i + 1])))
                   || (w == QLatin1String("ocean") && prev == QLatin1String("a") && i + 1 < raw.size()
                       && raw[i + 1] == QLatin1String("wave"))) {
            continue; // "6 by 2" is "6 2"; "to an ocean wave" is "to a wave"
        } else if (w == QLatin1String("allemande") && prev == QLatin1String("left")) {
            out.last() = w;
            w = QStringLiteral("left");
        }
        if (w == QLatin1String("1/2") && !out.isEmpty()) {
            // "1 1/2", "once and a half", "2 and a half" are one number; "Line of 8 Half Tag" is not
            const QString &p = out.last();
            const bool viaAnd = p == QLatin1String("and") && out.size() >= 2
                                && (isInteger(out[out.size() - 2]) || out[out.size() - 2] == QLatin1String("once"));
            if ((isInteger(p) && raw[i] == QLatin1String("1/2")) || viaAnd) {
                if (viaAnd)
                    out.removeLast();
                const QString whole = out.last() == QLatin1String("once") ? QStringLiteral("1") : out.last();
                out.last() = whole + QStringLiteral(".5");
                continue;
            }
        }
        out.append(w);
    }
    return out;
}

QStringList Recogniser::namesOf(const QString &entry)
{
    static const QRegularExpression group(QStringLiteral("\\(([^()]*)\\)"));
    static const QRegularExpression anything(QStringLiteral("^(anything|any tagging call)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression filler(QStringLiteral("^(anyone|named dancers|fraction|direction)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression qualifier(QStringLiteral("^from\\b|\\bhands?\\b|\\bonly\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression family(QStringLiteral("\\s+Family$"), QRegularExpression::CaseInsensitiveOption);

    QString base;
    QStringList members;
    qsizetype at = 0;
    for (auto it = group.globalMatch(entry); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        base += entry.mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const QString inner = m.captured(1).trimmed();
        if (anything.match(inner).hasMatch())
            base += QStringLiteral(" * ");
        else if (!filler.match(inner).hasMatch() && !qualifier.match(inner).hasMatch())
            for (const QString &item : inner.split(QRegularExpression(QStringLiteral("[,;]")), Qt::SkipEmptyParts))
                members.append(item.section(QLatin1Char(':'), 0, 0).trimmed());
    }
    base += entry.mid(at);
    // "Zip Code 1-6": a range of numbers says any number.
    static const QRegularExpression range(QStringLiteral("\\b(\\d+)\\s*-\\s*\\d+\\b"));
    base.replace(range, QStringLiteral("\\1"));
    base = base.simplified();
    const bool isFamily = family.match(base).hasMatch();
    base.remove(family);

    QStringList names = alternatives(base);
    names += spokenAs().value(entry.toCaseFolded().simplified());
    const QString head = names.isEmpty() ? base : names.first();
    for (const QString &member : std::as_const(members)) {
        for (const QString &alt : alternatives(member)) {
            const QStringList w = words(alt);
            if (w.isEmpty() || (w.size() == 1 && isNumber(w.first())))
                continue;
            // A member that is only who or how borrows the call's name; a lone
            // word that is neither is a fragment, not a call.
            const bool fragment = !sharesWord(alt, head)
                                  && (isModifier(w) || w.first() == QLatin1String("the")
                                      || w.first() == QLatin1String("and") || w.first() == QLatin1String("to"));
            if (fragment)
                names.append(isFamily && isModifier(w) ? alt + QLatin1Char(' ') + head : head + QLatin1Char(' ') + alt);
            else if (sharesWord(alt, head) || w.size() > 1 || isFamily)
                names.append(alt);
        }
    }
    names.removeDuplicates();
    return names;
}

Recogniser::Recogniser(const QList<List> &lists)
    : m_lists(lists)
{
    static const QRegularExpression fromFormation(QStringLiteral("\\(from\\b"), QRegularExpression::CaseInsensitiveOption);
    for (int l = 0; l < m_lists.size(); ++l)
        for (int e = 0; e < m_lists[l].entries.size(); ++e) {
            const QString &entry = m_lists[l].entries[e];
            const bool formation = fromFormation.match(entry).hasMatch();
            for (const QString &name : namesOf(entry))
                add(l, e, name, formation);
        }
}

void Recogniser::add(int list, int entry, const QString &name, bool formation)
{
    const QStringList w = words(name);
    Name n{list, entry, name.simplified(), {}, !w.isEmpty() && w.first() == QLatin1String("*"),
           !w.isEmpty() && w.last() == QLatin1String("*"), formation};
    QStringList segment;
    QList<QStringList> segments;
    for (const QString &word : w) {
        if (word == QLatin1String("*")) {
            if (!segment.isEmpty())
                segments.append(segment);
            segment.clear();
        } else {
            segment.append(word);
        }
    }
    if (!segment.isEmpty())
        segments.append(segment);
    if (segments.isEmpty() || (segments.size() == 1 && segments.first().size() == 1 && isNumber(segments.first().first())))
        return;
    // A number that ends a call's name stands for any: "Cast Off 3/4" is also "Cast Off 1/4".
    QStringList &lastSegment = segments.last();
    if (!n.tailWild && lastSegment.size() >= 2 && isNumber(lastSegment.last()))
        lastSegment.last() = QStringLiteral("#");
    for (const QStringList &s : std::as_const(segments))
        n.parts.append(s.join(QString()));
    const int index = int(m_names.size());
    for (int p = 0; p < n.parts.size(); ++p) {
        const QString &key = n.parts[p];
        m_parts[key].append({index, p});
        for (int len = 1; len <= key.size(); ++len)
            m_prefixes.insert(key.left(len));
    }
    m_names.append(n);
}

QList<Recogniser::Found> Recogniser::find(const QString &callText) const
{
    const QStringList w = words(callText);
    const int n = int(w.size());
    struct Occurrence
    {
        int name, part, from, to; // words from..to, inclusive
    };
    // Few hits a line: a flat array sorted by name groups them without a hash.
    QVarLengthArray<Occurrence, 32> hits;
    for (int i = 0; i < n; ++i) {
        QString key;
        for (int j = i; j < n; ++j) {
            if (isNumber(w[j])) {
                const auto numbered = m_parts.constFind(key + QLatin1Char('#'));
                if (numbered != m_parts.constEnd())
                    for (const Part &p : *numbered)
                        hits.append({p.name, p.part, i, j});
            }
            key += w[j];
            if (!m_prefixes.contains(key))
                break;
            const auto found = m_parts.constFind(key);
            if (found != m_parts.constEnd())
                for (const Part &p : *found)
                    hits.append({p.name, p.part, i, j});
        }
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Occurrence &a, const Occurrence &b) { return a.name < b.name; });

    struct Candidate
    {
        int name;
        QVarLengthArray<QPair<int, int>, 4> spans;
        int length;
    };
    QVarLengthArray<Candidate, 16> candidates;
    for (qsizetype g = 0; g < hits.size();) {
        qsizetype e = g;
        while (e < hits.size() && hits[e].name == hits[g].name)
            ++e;
        const Name &name = m_names[hits[g].name];
        // Each part after the one before it, a wildcard's word or more between.
        for (qsizetype s = g; s < e; ++s) {
            const Occurrence &start = hits[s];
            if (start.part != 0 || (name.leadWild && start.from == 0))
                continue;
            Candidate c{start.name, {{start.from, start.to}}, 0};
            int end = start.to;
            for (int p = 1; p < name.parts.size() && !c.spans.isEmpty(); ++p) {
                qsizetype best = -1;
                for (qsizetype k = g; k < e; ++k)
                    if (hits[k].part == p && hits[k].from > end + 1 && (best < 0 || hits[k].from < hits[best].from))
                        best = k;
                if (best < 0) {
                    c.spans.clear();
                    break;
                }
                c.spans.append({hits[best].from, hits[best].to});
                end = hits[best].to;
            }
            if (c.spans.isEmpty() || (name.tailWild && end + 1 >= n))
                continue;
            for (const auto &span : c.spans)
                c.length += span.second - span.first + 1;
            candidates.append(c);
        }
        g = e;
    }
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate &a, const Candidate &b) {
        if (a.length != b.length)
            return a.length > b.length;
        if (a.spans.first().first != b.spans.first().first)
            return a.spans.first().first < b.spans.first().first;
        return a.name < b.name;
    });

    // The longest name takes its words; a shorter one that would share them is
    // not named, unless it is the same words named in another entry.
    QVarLengthArray<int, 32> owner(n, -1);
    QVarLengthArray<const Candidate *, 16> accepted;
    QList<Found> result;
    QVarLengthArray<int, 16> place;
    for (const Candidate &c : std::as_const(candidates)) {
        bool free = true;
        const Candidate *same = nullptr;
        for (const auto &s : c.spans)
            for (int k = s.first; k <= s.second && free; ++k) {
                free = owner[k] < 0 || accepted[owner[k]]->spans == c.spans;
                if (owner[k] >= 0 && free)
                    same = accepted[owner[k]];
            }
        if (!free)
            continue;
        // Two lists' calls of one name from different formations: the line cannot
        // tell them apart, so it names the first list's, the one taught first.
        if (same && m_names[same->name].formation && m_names[c.name].formation
            && m_names[same->name].list != m_names[c.name].list)
            continue;
        for (const auto &s : c.spans)
            for (int k = s.first; k <= s.second; ++k)
                if (owner[k] < 0)
                    owner[k] = int(accepted.size());
        accepted.append(&c);
        const Name &name = m_names[c.name];
        const bool already = std::any_of(result.begin(), result.end(), [&](const Found &f) {
            return f.list == name.list && f.entry == name.entry;
        });
        if (!already) {
            result.append({name.list, name.entry, name.shown});
            place.append(c.spans.first().first);
        }
    }
    QVarLengthArray<int, 16> order(result.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (result[a].list != result[b].list)
            return result[a].list < result[b].list;
        return place[a] < place[b];
    });
    QList<Found> sorted;
    sorted.reserve(result.size());
    for (int i : order)
        sorted.append(result[i]);
    return sorted;
}
