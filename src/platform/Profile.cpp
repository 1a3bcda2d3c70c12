#include "platform/Profile.h"

#include "platform/FileName.h"

#include <QHash>
#include <QStringDecoder>
#include <algorithm>
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

template <typename Section> std::vector<Section> Parse(const QString& text)
{
    std::vector<Section> sections;
    qsizetype current = -1; // index of the section the next values belong to; -1: none
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        line = TrimBlanks(line);
        if (line.isEmpty() || line.front() == u';' || line.front() == u'#')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = FindUnescaped(line, u']', 1);
            current = -1;
            if (close < 0 || !TrimBlanks(line.sliced(close + 1)).isEmpty())
                continue; // a broken header: its values are dropped with it
            const QString name = Unescape(TrimBlanks(line.sliced(1, close - 1)));
            for (size_t i = 0; i < sections.size() && current < 0; ++i) {
                if (sections[i].name == name)
                    current = static_cast<qsizetype>(i);
            }
            if (current < 0) {
                sections.push_back(Section{name, {}});
                current = static_cast<qsizetype>(sections.size()) - 1;
            }
            continue;
        }
        const qsizetype equals = FindUnescaped(line, u'=', 0);
        if (current < 0 || equals < 0)
            continue;
        QString name = Unescape(TrimBlanks(line.first(equals)));
        QString value = Unescape(TrimBlanks(line.sliced(equals + 1)));
        auto& values = sections[current].values;
        auto found = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == name; });
        if (found != values.end())
            found->second = std::move(value);
        else
            values.emplace_back(std::move(name), std::move(value));
    }
    return sections;
}

template <typename Section> QByteArray Serialize(const std::vector<Section>& sections)
{
    QString text;
    for (const Section& section : sections) {
        if (!text.isEmpty())
            text.append(u'\n');
        text.append(u'[');
        text.append(Escape(section.name, Part::Section));
        text.append(QLatin1String("]\n"));
        for (const auto& [name, value] : section.values) {
            text.append(Escape(name, Part::Name));
            text.append(u'=');
            text.append(Escape(value, Part::Value));
            text.append(u'\n');
        }
    }
    return text.toUtf8();
}

template <typename Stamp> Stamp StampOf(const struct stat& st)
{
    Stamp stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

template <typename Stamp> Stamp StampOfPath(const QString& path)
{
    struct stat st = {};
    if (::stat(EncodeFileName(path).constData(), &st) != 0) {
        Stamp stamp;
        stamp.error = errno;
        return stamp;
    }
    return StampOf<Stamp>(st);
}

bool IsMissing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool ReadAll(int fd, QByteArray& content)
{
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        content.append(buffer, n);
    }
}

bool WriteAll(int fd, const QByteArray& content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

// Creates `folder` and its missing parents.
bool MakeFolders(const QByteArray& folder)
{
    struct stat st = {};
    if (::stat(folder.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    const QByteArray parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent))
        return false;
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST;
}

// Writes `content` to a new file beside `target`, makes it durable and renames
// it over `target`. On any failure the temporary file is removed and `target`
// is untouched. `written` receives the status of the new file.
bool ReplaceFile(const QByteArray& target, int folderFd, const QByteArray& content, struct stat& written)
{
    const QByteArray folder = FolderOf(target);
    QByteArray temp = folder + "/." + target.mid(target.lastIndexOf('/') + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat old = {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    // The new file keeps the old one's permissions, and its owner when root
    // writes a user's profile, so that the user is not locked out of it.
    const bool ownerKept = !replacing || ::geteuid() != 0 || ::fchown(fd, old.st_uid, old.st_gid) == 0;
    Q_UNUSED(ownerKept) // a profile owned by root is still a good profile
    const mode_t mode = replacing ? (old.st_mode & 07777) : 0600;
    const bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0
        && ::rename(temp.constData(), target.constData()) == 0 && ::fstat(fd, &written) == 0;
    ::close(fd);
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    ::fsync(folderFd); // make the rename itself durable
    return true;
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
    profile.m_sections.clear();
    profile.m_loaded = false;
    profile.m_unreadable = false;
    profile.m_stamp = FileStamp();
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
    const FileStamp now = StampOfPath<FileStamp>(m_path);
    if (m_loaded && now == m_stamp)
        return;
    Load(now);
}

void CProfile::Load(const FileStamp& seen) const
{
    m_sections.clear();
    m_loaded = true;
    m_unreadable = false;
    m_stamp = seen;
    if (!seen.exists) {
        m_unreadable = !IsMissing(seen.error);
        return;
    }
    // Non-blocking, so that a fifo put in the profile's place cannot hang the program.
    const int fd = ::open(EncodeFileName(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_stamp.exists = false;
        m_stamp.error = errno;
        m_unreadable = !IsMissing(errno);
        return;
    }
    struct stat st = {};
    QByteArray content;
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, content);
    if (read)
        m_stamp = StampOf<FileStamp>(st);
    ::close(fd);
    if (!read) {
        m_unreadable = true;
        return;
    }
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(content);
    if (decoder.hasError()) {
        m_unreadable = true; // not ours to rewrite: it may be in another encoding
        return;
    }
    m_sections = Parse<Section>(text);
}

bool CProfile::Modify(const std::function<bool(Sections&)>& change)
{
    std::lock_guard lock(m_mutex);
    if (m_path.isEmpty())
        return false;
    ReloadIfChanged();
    if (m_unreadable)
        return false;
    {
        // A change that changes nothing touches nothing on disk (no folder is created either).
        Sections probe = m_sections;
        if (!change(probe))
            return true;
    }
    QByteArray target = EncodeFileName(m_path);
    struct stat st = {};
    // A profile kept as a link (in a repository of settings) is replaced where the link points.
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const QByteArray folder = FolderOf(target);
    if (!MakeFolders(folder))
        return false;
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    // Writers of other processes wait here, so no write is lost between read and replace.
    while (::flock(folderFd, LOCK_EX) != 0 && errno == EINTR) { }
    ReloadIfChanged();
    bool ok = false;
    if (!m_unreadable) {
        Sections updated = m_sections;
        if (!change(updated)) {
            ok = true; // nothing changes: the file stays as it is
        } else {
            struct stat written = {};
            if (ReplaceFile(target, folderFd, Serialize(updated), written)) {
                m_sections = std::move(updated);
                m_stamp = StampOf<FileStamp>(written);
                ok = true;
            }
        }
    }
    ::close(folderFd); // releases the lock
    return ok;
}

const CProfile::Section* CProfile::FindSection(const QString& section) const
{
    for (const Section& candidate : m_sections) {
        if (candidate.name == section)
            return &candidate;
    }
    return nullptr;
}

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
    if (const Section* found = FindSection(section)) {
        for (const auto& [valueName, value] : found->values) {
            if (valueName == name)
                return value;
        }
    }
    return defaultValue;
}

namespace {

// Sets `name` to `value` in `values`; a rewritten value keeps its place. False when nothing changed.
bool SetValue(std::vector<std::pair<QString, QString>>& values, const QString& name, const QString& value)
{
    for (auto& entry : values) {
        if (entry.first == name) {
            if (entry.second == value)
                return false;
            entry.second = value;
            return true;
        }
    }
    values.emplace_back(name, value);
    return true;
}

} // namespace

bool CProfile::WriteProfileString(const QString& section, const QString& name, const QString& value)
{
    return WriteProfileValues(section, {{name, value}});
}

bool CProfile::WriteProfileValues(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    return Modify([&](Sections& sections) {
        auto owner
            = std::find_if(sections.begin(), sections.end(), [&](const Section& s) { return s.name == section; });
        if (owner == sections.end()) {
            if (values.empty())
                return false;
            sections.push_back(Section{section, {}});
            owner = sections.end() - 1;
        }
        bool changed = false;
        for (const auto& [name, value] : values)
            changed = SetValue(owner->values, name, value) || changed;
        return changed;
    });
}

std::vector<std::pair<QString, QString>> CProfile::GetSectionValues(const QString& section) const
{
    std::lock_guard lock(m_mutex);
    ReloadIfChanged();
    if (const Section* found = FindSection(section))
        return found->values;
    return {};
}

bool CProfile::DeleteProfileValue(const QString& section, const QString& name)
{
    return Modify([&](Sections& sections) {
        for (Section& owner : sections) {
            if (owner.name != section)
                continue;
            const auto entry = std::find_if(
                owner.values.begin(), owner.values.end(), [&](const auto& v) { return v.first == name; });
            if (entry == owner.values.end())
                return false;
            owner.values.erase(entry); // the section itself stays, as a registry key does
            return true;
        }
        return false;
    });
}

bool CProfile::ReplaceSectionValues(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    std::vector<std::pair<QString, QString>> wanted;
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
    return Modify([&](Sections& sections) {
        auto owner
            = std::find_if(sections.begin(), sections.end(), [&](const Section& s) { return s.name == section; });
        if (owner == sections.end()) {
            if (wanted.empty())
                return false;
            sections.push_back(Section{section, wanted});
            return true;
        }
        if (owner->values == wanted)
            return false;
        owner->values = wanted;
        return true;
    });
}
