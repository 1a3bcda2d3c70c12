#include "core/platform/Profile.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/WholeFile.h"

#include <QHash>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// File format: UTF-8 lines, "[section]" headers followed by "name=value"
// lines; ";" and "#" begin comment lines. Names and values hold any
// characters: a backslash escapes what a line cannot hold as it is (\\ \n \r
// \t, \s for a space at either end, \= in names, \[ \] in section names, \; \#
// \[ at the start of a name, \uXXXX for other control characters and for
// UTF-16 halves without a partner, which undecodable file names contain).
// Each line is read on its own, so one damaged line costs only itself; under
// a damaged header every line up to the next header is unreadable, as its
// section is unknown. Comments and blank lines are not written back.

namespace {

const QString kFileSuffix = QStringLiteral("/Corvane/Pairwell.ini");

enum class Part { Section, Name, Value };

void AppendHex(QString& out, char16_t unit)
{
    out.append(QLatin1String("\\u"));
    out.append(QString::number(unit, 16).rightJustified(4, u'0').toUpper());
}

QString Escape(const QString& text, Part part)
{
    QString out;
    out.reserve(text.size() + 8);
    const qsizetype count = text.size();
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool atEdge = i == 0 || i == count - 1;
        switch (c) {
        case u'\\':
            out.append(QLatin1String("\\\\"));
            continue;
        case u'\n':
            out.append(QLatin1String("\\n"));
            continue;
        case u'\r':
            out.append(QLatin1String("\\r"));
            continue;
        case u'\t':
            out.append(QLatin1String("\\t"));
            continue;
        case u' ':
            out.append(atEdge ? QLatin1String("\\s") : QLatin1String(" "));
            continue;
        case u'=':
            out.append(part == Part::Name ? QLatin1String("\\=") : QLatin1String("="));
            continue;
        case u'[':
        case u']':
            if (part == Part::Section || (part == Part::Name && i == 0))
                out.append(u'\\');
            out.append(QChar(c));
            continue;
        case u';':
        case u'#':
            if (part == Part::Name && i == 0)
                out.append(u'\\');
            out.append(QChar(c));
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            AppendHex(out, c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < count && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            out.append(QChar(c));
            out.append(text.at(++i));
        } else if (QChar::isSurrogate(c)) {
            AppendHex(out, c);
        } else {
            out.append(QChar(c));
        }
    }
    return out;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString Unescape(QStringView text)
{
    if (!text.contains(u'\\'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out.append(c);
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case u'n':
            out.append(u'\n');
            break;
        case u'r':
            out.append(u'\r');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u's':
            out.append(u' ');
            break;
        case u'u': {
            int value = 0;
            bool valid = i + 4 < text.size();
            for (int k = 1; valid && k <= 4; ++k) {
                const int digit = HexDigit(text.at(i + k));
                valid = digit >= 0;
                value = value * 16 + digit;
            }
            if (valid) {
                out.append(QChar(char16_t(value)));
                i += 4;
            } else {
                out.append(next); // not a valid escape: keep the letter
            }
            break;
        }
        default:
            out.append(next); // \\ \= \[ \] \; \# and anything unknown
            break;
        }
    }
    return out;
}

QStringView TrimBlanks(QStringView text)
{
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

// Index of the first `wanted` that is not escaped by a backslash, or -1.
qsizetype FindUnescaped(QStringView text, QChar wanted, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text.at(i) == u'\\')
            ++i;
        else if (text.at(i) == wanted)
            return i;
    }
    return -1;
}

QByteArrayView TrimBlankBytes(QByteArrayView line)
{
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line.at(begin)))
        ++begin;
    while (end > begin && isBlank(line.at(end - 1)))
        --end;
    return line.sliced(begin, end - begin);
}

// Decodes one line. False when it is not UTF-8 or holds a control character
// that the profile never writes as it is: such a line was not written by the
// program and is not guessed at.
bool DecodeLine(QByteArrayView line, QString& text)
{
    bool ascii = true;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\r')
            return false;
        ascii = ascii && byte < 0x80;
    }
    if (ascii) {
        text = QString::fromLatin1(line);
        return true;
    }
    // A byte order mark inside the file is a character like any other.
    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    text = decoder.decode(line);
    return !decoder.hasError();
}

// "[name]" with nothing after the bracket but blanks.
bool ParseHeader(QStringView line, QString& name)
{
    const qsizetype close = FindUnescaped(line, u']', 1);
    if (close < 0 || !TrimBlanks(line.sliced(close + 1)).isEmpty())
        return false;
    name = Unescape(TrimBlanks(line.sliced(1, close - 1)));
    return true;
}

bool ParseValue(QStringView line, QString& name, QString& value)
{
    const qsizetype equals = FindUnescaped(line, u'=', 0);
    if (equals < 0)
        return false;
    name = Unescape(TrimBlanks(line.first(equals)));
    value = Unescape(TrimBlanks(line.sliced(equals + 1)));
    return true;
}

// The line numbers for a message: the first twenty, then how many more.
QString LineList(const std::vector<qsizetype>& lines)
{
    constexpr size_t kShown = 20;
    QStringList numbers;
    for (size_t i = 0; i < lines.size() && i < kShown; ++i)
        numbers << QString::number(lines[i]);
    QString text = numbers.join(QStringLiteral(", "));
    if (lines.size() > kShown)
        text += QStringLiteral(" ほか %1 行").arg(lines.size() - kShown);
    return text;
}

bool IsMissing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

struct InstanceSlot
{
    std::mutex mutex;
    std::unique_ptr<CProfile> profile;
};

InstanceSlot& GetInstanceSlot()
{
    static InstanceSlot slot;
    return slot;
}

} // namespace

// --- sections ---------------------------------------------------------------------------

const QString* CProfile::Section::Find(const QString& valueName) const
{
    const auto place = places.constFind(valueName);
    return place == places.cend() ? nullptr : &values[*place].second;
}

bool CProfile::Section::Set(const QString& valueName, const QString& value)
{
    // One lookup that finds the place or makes it: a file of many values is read in linear time.
    const qsizetype known = places.size();
    size_t& place = places[valueName];
    if (places.size() > known) {
        place = values.size();
        values.emplace_back(valueName, value);
        return true;
    }
    QString& stored = values[place].second;
    if (stored == value)
        return false;
    stored = value;
    return true;
}

bool CProfile::Section::Erase(const QString& valueName)
{
    const auto place = places.find(valueName);
    if (place == places.end())
        return false;
    const size_t at = *place;
    places.erase(place);
    values.erase(values.begin() + static_cast<qsizetype>(at));
    for (auto other = places.begin(); other != places.end(); ++other) {
        if (*other > at)
            --*other;
    }
    return true;
}

void CProfile::Section::Reindex()
{
    // A name read twice keeps its first place and its last value, as a second write would.
    places.clear();
    places.reserve(static_cast<qsizetype>(values.size()));
    size_t kept = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const qsizetype known = places.size();
        size_t& place = places[values[i].first];
        if (places.size() > known) {
            place = kept;
            if (kept != i)
                values[kept] = std::move(values[i]);
            ++kept;
        } else {
            values[place].second = std::move(values[i].second);
        }
    }
    values.resize(kept);
}

bool CProfile::Section::Assign(Values wanted)
{
    if (values == wanted)
        return false;
    values = std::move(wanted);
    places.clear();
    places.reserve(static_cast<qsizetype>(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        places.insert(values[i].first, i);
    return true;
}

const CProfile::Section* CProfile::Content::Find(const QString& name) const
{
    const auto place = places.constFind(name);
    return place == places.cend() ? nullptr : &sections[*place];
}

CProfile::Section* CProfile::Content::Find(const QString& name)
{
    const auto place = places.constFind(name);
    return place == places.cend() ? nullptr : &sections[*place];
}

CProfile::Section& CProfile::Content::FindOrAdd(const QString& name)
{
    if (Section* found = Find(name))
        return *found;
    places.insert(name, sections.size());
    sections.push_back(Section{name, {}, {}, {}});
    return sections.back();
}

// --- reading and writing the file --------------------------------------------------------

CProfile::Content CProfile::Parse(const QByteArray& bytes, ReadState& state)
{
    Content content;
    qsizetype current = -1; // the section the next values belong to; -1: none yet
    bool lost = false; // after a header that could not be read: its lines are kept, unread
    qsizetype begin = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (qsizetype number = 1; begin < bytes.size(); ++number) {
        qsizetype end = bytes.indexOf('\n', begin);
        if (end < 0)
            end = bytes.size();
        ParseLine(QByteArrayView(bytes).sliced(begin, end - begin), number, content, current, lost, state);
        begin = end + 1;
    }
    // The values were only appended: the index of each section is made once, at its full size.
    for (Section& section : content.sections)
        section.Reindex();
    return content;
}

void CProfile::ParseLine(
    QByteArrayView raw, qsizetype number, Content& content, qsizetype& current, bool& lost, ReadState& state)
{
    const QByteArrayView line = TrimBlankBytes(raw);
    if (line.isEmpty())
        return;
    const bool header = line.front() == '[';
    if (!header && !lost && (line.front() == ';' || line.front() == '#'))
        return;
    QString text;
    QString name;
    QString value;
    const bool readable = (header || !lost) && DecodeLine(line, text);
    if (header && readable && ParseHeader(text, name)) {
        lost = false;
        current = static_cast<qsizetype>(&content.FindOrAdd(name) - content.sections.data());
        return;
    }
    if (!header && current >= 0 && readable && ParseValue(text, name, value)) {
        content.sections[current].values.emplace_back(std::move(name), std::move(value));
        return;
    }
    // Not readable: skipped, kept for the next write at the place it belongs to.
    (current < 0 ? content.leadingLines : content.sections[current].keptLines).append(raw.toByteArray());
    if (lost && !header)
        return; // under a header already reported
    state.damage.lines.push_back(number);
    if (header) {
        lost = true;
        state.sectionUnknown = true;
    } else if (current >= 0) {
        state.damagedSections.insert(content.sections[current].name);
    }
}

QByteArray CProfile::Serialize(const Content& content)
{
    QByteArray out;
    for (const QByteArray& line : content.leadingLines)
        out.append(line).append('\n');
    for (const Section& section : content.sections) {
        QString text;
        if (!out.isEmpty())
            text.append(u'\n');
        text.append(u'[').append(Escape(section.name, Part::Section)).append(QLatin1String("]\n"));
        for (const auto& [name, value] : section.values) {
            text.append(Escape(name, Part::Name)).append(u'=').append(Escape(value, Part::Value)).append(u'\n');
        }
        out.append(text.toUtf8());
        for (const QByteArray& line : section.keptLines)
            out.append(line).append('\n');
    }
    return out;
}

CProfile::CProfile(QString path) : m_path(std::move(path))
{
}

CProfile& CProfile::Instance()
{
    InstanceSlot& slot = GetInstanceSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.profile)
        slot.profile = std::make_unique<CProfile>(DefaultPath());
    return *slot.profile;
}

void CProfile::SetInstancePath(const QString& path)
{
    const QString newPath = path.isEmpty() ? DefaultPath() : path;
    InstanceSlot& slot = GetInstanceSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.profile) {
        slot.profile = std::make_unique<CProfile>(newPath);
        return;
    }
    // The object stays, so references that callers hold remain valid.
    CProfile& profile = *slot.profile;
    std::lock_guard profileLock(profile.m_mutex);
    profile.m_path = newPath;
    profile.m_content = Content();
    profile.m_state = ReadState();
    profile.m_loaded = false;
    profile.m_stamp = Stamp();
    profile.m_lastError.clear();
}

QString CProfile::DefaultPath()
{
    const QByteArray named = qgetenv("PAIRWELL_PROFILE");
    if (!named.isEmpty())
        return DecodeFileName(named);
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    if (config.startsWith('/'))
        return DecodeFileName(config) + kFileSuffix;
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir;
    }
    return DecodeFileName(home) + QLatin1String("/.config") + kFileSuffix;
}

void CProfile::ReloadIfChanged() const
{
    Stamp now;
    now.file = StampOfFile(m_path, &now.error);
    if (m_loaded && now == m_stamp)
        return;
    Load(now);
}

void CProfile::Load(const Stamp& seen) const
{
    m_content = Content();
    m_state = ReadState();
    m_loaded = true;
    m_stamp = seen;
    if (!seen.file.exists) {
        if (!IsMissing(seen.error))
            m_state.damage.unreadable = SystemErrorText(seen.error);
        return;
    }
    QByteArray content;
    const FileReadResult read = ReadRegularFile(m_path, &content);
    if (read.Ok()) {
        Loaded(content, read.stamp);
        return;
    }
    const bool wrongType = read.failure == FileReadFailure::Folder || read.failure == FileReadFailure::NotRegularFile
        || read.failure == FileReadFailure::TooLarge;
    // Only what the stamp tells apart is not tried again: a file that could not
    // be opened or read is, at the next look.
    if (!wrongType)
        m_stamp = Stamp{{}, read.errnoValue};
    if (read.failure != FileReadFailure::NotFound)
        m_state.damage.unreadable = FileReadFailureText(read);
}

void CProfile::Loaded(const QByteArray& content, const FileStamp& stamp) const
{
    m_stamp = Stamp{stamp, 0};
    m_content = Parse(content, m_state);
}

bool CProfile::IsCompleteLocked(const QString& section) const
{
    return m_state.damage.unreadable.isEmpty() && !m_state.sectionUnknown && !m_state.damagedSections.contains(section);
}

void CProfile::SetError(const QString& reason)
{
    m_lastError = m_path + QStringLiteral(": ") + reason;
}

bool CProfile::AcquireFileLock()
{
    if (m_lockDepth > 0) {
        ++m_lockDepth;
        return true;
    }
    if (m_path.isEmpty()) {
        SetError(SystemErrorText(ENOENT));
        return false;
    }
    const QString folder = FolderOfReplacement(m_path);
    int reason = 0;
    if (!CreateFolders(folder, &reason)) {
        SetError(SystemErrorText(reason));
        return false;
    }
    m_lockFd = ::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd < 0) {
        SetError(SystemErrorText(errno));
        return false;
    }
    // Writers of other processes wait here, so no change is lost between read and replace.
    while (::flock(m_lockFd, LOCK_EX) != 0 && errno == EINTR) { }
    m_lockDepth = 1;
    return true;
}

void CProfile::ReleaseFileLock()
{
    if (m_lockDepth == 0 || --m_lockDepth > 0)
        return;
    ::close(m_lockFd); // releases the lock
    m_lockFd = -1;
}

bool CProfile::Modify(const std::function<bool(Content&)>& change)
{
    std::lock_guard lock(m_mutex);
    m_lastError.clear();
    ReloadIfChanged();
    if (!m_state.damage.unreadable.isEmpty()) {
        SetError(m_state.damage.unreadable);
        return false;
    }
    {
        // A change that changes nothing touches nothing on disk (no folder is created either).
        Content probe = m_content;
        if (!change(probe))
            return true;
    }
    if (!AcquireFileLock())
        return false;
    const bool ok = ReplaceLocked(change);
    ReleaseFileLock();
    return ok;
}

bool CProfile::ReplaceLocked(const std::function<bool(Content&)>& change)
{
    // Read again under the lock: another process may have written since.
    ReloadIfChanged();
    if (!m_state.damage.unreadable.isEmpty()) {
        SetError(m_state.damage.unreadable);
        return false;
    }
    Content updated = m_content;
    if (!change(updated))
        return true; // nothing changes: the file stays as it is
    const QByteArray bytes = Serialize(updated);
    FileStamp written;
    // A user's profile stays the user's when root writes it; a new one is for the user's eyes only.
    const ReplaceOptions options{.keepOwner = true, .newFileMode = 0600, .written = &written};
    if (!ReplaceFileAtomically(m_path, bytes, &m_lastError, options))
        return false;
    // Read back from the bytes written, so that the numbers of the lines kept unread are right.
    m_state = ReadState();
    Loaded(bytes, written);
    return true;
}

// --- values ------------------------------------------------------------------------------

int CProfile::GetProfileInt(const QString& section, const QString& name, int defaultValue) const
{
    const QString text = GetProfileString(section, name, QString());
    bool ok = false;
    const qint64 value = TrimBlanks(text).toLongLong(&ok, 10);
    // 0 to 4294967295 and -2147483648 to -1 both name the 32 bits of a value.
    if (!ok || value < INT_MIN || value > qint64(UINT_MAX))
        return defaultValue;
    return static_cast<int>(static_cast<quint32>(value));
}

bool CProfile::WriteProfileInt(const QString& section, const QString& name, int value)
{
    return WriteProfileString(section, name, QString::number(value));
}

QString CProfile::GetProfileString(const QString& section, const QString& name, const QString& defaultValue) const
{
    std::lock_guard lock(m_mutex);
    ReloadIfChanged();
    if (const Section* found = m_content.Find(section)) {
        if (const QString* value = found->Find(name))
            return *value;
    }
    return defaultValue;
}

bool CProfile::WriteProfileString(const QString& section, const QString& name, const QString& value)
{
    return WriteProfileValues(section, {{name, value}});
}

bool CProfile::WriteProfileValues(const QString& section, const Values& values)
{
    return Modify([&](Content& content) {
        Section* owner = content.Find(section);
        if (!owner) {
            if (values.empty())
                return false;
            owner = &content.FindOrAdd(section);
        }
        bool changed = false;
        for (const auto& [name, value] : values)
            changed = owner->Set(name, value) || changed;
        return changed;
    });
}

CProfile::Values CProfile::GetSectionValues(const QString& section, bool* complete) const
{
    std::lock_guard lock(m_mutex);
    ReloadIfChanged();
    if (complete)
        *complete = IsCompleteLocked(section);
    if (const Section* found = m_content.Find(section))
        return found->values;
    return {};
}

bool CProfile::DeleteProfileValue(const QString& section, const QString& name)
{
    return Modify([&](Content& content) {
        // An emptied section itself stays, as a registry key does.
        Section* owner = content.Find(section);
        return owner && owner->Erase(name);
    });
}

bool CProfile::ReplaceSectionValues(const QString& section, const Values& values)
{
    Values wanted;
    wanted.reserve(values.size());
    QHash<QString, size_t> places;
    for (const auto& [name, value] : values) {
        const auto place = places.constFind(name);
        if (place != places.cend()) {
            wanted[*place].second = value;
            continue;
        }
        places.insert(name, wanted.size());
        wanted.emplace_back(name, value);
    }
    return Modify([&](Content& content) {
        Section* owner = content.Find(section);
        if (!owner) {
            if (wanted.empty())
                return false;
            owner = &content.FindOrAdd(section);
        }
        return owner->Assign(wanted);
    });
}

ProfileDamage CProfile::Damage() const
{
    std::lock_guard lock(m_mutex);
    ReloadIfChanged();
    return m_state.damage;
}

bool CProfile::IsSectionComplete(const QString& section) const
{
    std::lock_guard lock(m_mutex);
    ReloadIfChanged();
    return IsCompleteLocked(section);
}

QString CProfile::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

// --- the lock of a whole change ----------------------------------------------------------

CProfileLock::CProfileLock(CProfile& profile) : m_profile(profile)
{
    m_profile.m_mutex.lock();
    m_locked = m_profile.AcquireFileLock();
}

CProfileLock::~CProfileLock()
{
    if (m_locked)
        m_profile.ReleaseFileLock();
    m_profile.m_mutex.unlock();
}

// --- texts ----------------------------------------------------------------------------

QString ProfileDamageText(const CProfile& profile)
{
    const ProfileDamage damage = profile.Damage();
    if (!damage.unreadable.isEmpty()) {
        return QStringLiteral("設定ファイルを読み込めませんでした。\n%1: %2\n\n"
                              "既定の設定で続行します。設定は保存できません。"
                              "読み込めなかったフィルタエントリを使う同期は中止されます。")
            .arg(profile.Path(), damage.unreadable);
    }
    if (damage.lines.empty())
        return {};
    return QStringLiteral("設定ファイルの一部を読み込めませんでした。\n%1\n読み込めなかった行: %2\n\n"
                          "読み込めなかった行は使われず、書き換えられずにそのまま残ります。"
                          "読み込めなかったフィルタエントリを使う同期は中止されます。")
        .arg(profile.Path(), LineList(damage.lines));
}

QString ProfileWriteFailedText(const CProfile& profile)
{
    return QStringLiteral("設定を保存できませんでした。\n%1").arg(profile.LastError());
}
