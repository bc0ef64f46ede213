// Reads 10,000 sequences (the size of the largest public collection) and
// recognises the calls of every list in each line, against reading the same
// file and splitting it into lines, timed turn about in the same run.
//   bench_sequences [runs]
#include "core/data/CallDatabase.h"
#include "core/sequences/Coverage.h"
#include "core/sequences/Recogniser.h"
#include "core/sequences/SequenceFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString source = QStringLiteral(VORLET_SOURCE_DIR);

    // The public sequences, repeated until there are 10,000.
    const QStringList blocks = QString::fromUtf8(readAll(source + QStringLiteral("/tests/fixtures/sequences/"
                                                                                 "taminations-sequencer-tests.txt")))
                                   .split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    QByteArray text;
    int sequences = 0;
    for (int i = 0; sequences < 10000; ++i) {
        const QString &block = blocks[i % blocks.size()];
        if (block.startsWith(QLatin1String("# Sequences from")))
            continue;
        text += block.trimmed().toUtf8() + "\n\n";
        ++sequences;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ten-thousand.txt"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    out.close();

    QString error;
    QList<Recogniser::List> lists;
    for (const CallDatabase::CallList &l :
         CallDatabase::parse(QString::fromUtf8(readAll(source + QStringLiteral("/data/default_calls.txt"))), &error))
        lists.append({l.name, l.calls});

    std::vector<double> vorlet, bare;
    qsizetype lines = 0, found = 0, bareLines = 0;
    for (int r = 0; r < runs; ++r) {
        // Each side's results are dropped before the other is timed.
        {
            QElapsedTimer clock;
            clock.start();
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QStringList split = QString(utf8.decode(readAll(path))).split(QLatin1Char('\n'));
            bare.push_back(double(clock.nsecsElapsed()) / 1e6);
            bareLines = split.size();
        }
        {
            QElapsedTimer clock;
            clock.start();
            const Recogniser recogniser(lists);
            const SequenceFile::Parsed parsed = SequenceFile::read(path);
            const QList<Coverage::LineCalls> calls = Coverage::calls(recogniser, {parsed});
            vorlet.push_back(double(clock.nsecsElapsed()) / 1e6);
            lines = calls.size();
            found = 0;
            for (const Coverage::LineCalls &c : calls)
                found += c.found.size();
        }
    }
    const double v = median(vorlet), b = median(bare);
    std::printf("sequences %d, call lines %lld, entries found %lld, file lines %lld, %d lists\n", sequences,
                static_cast<long long>(lines), static_cast<long long>(found), static_cast<long long>(bareLines),
                int(lists.size()));
    std::printf("read and recognised: %.1f ms (bound 2000 ms: %s); read and split: %.1f ms; ratio %.1fx\n", v,
                v < 2000 ? "ok" : "over", b, v / b);
    return v < 2000 ? 0 : 1;
}
