// SPDX-License-Identifier: GPL-3.0-or-later
// Compressed MusicXML (.mxl): a zip archive that holds the score, read with
// minizip straight from memory. Nothing is unpacked to disk, and the bytes of
// the score are counted while they inflate: a zip bomb stops at the limit,
// whatever sizes its headers claim.

#include <QByteArray>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/import/musicxml_reader.h"

namespace kelodi {

namespace {

constexpr const char* ContainerName = "META-INF/container.xml";
constexpr std::size_t MaxArchiveEntries = 10'000;
constexpr std::size_t MaxEntryNameBytes = 4096;
constexpr const char* MusicXmlMediaType = "application/vnd.recordare.musicxml+xml";

// The archive's bytes, as minizip's file functions see them.
struct MemoryFile {
    std::string_view bytes;
    std::size_t position = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int mode)
{
    return (mode & ZLIB_FILEFUNC_MODE_WRITE) ? nullptr : opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* file = static_cast<MemoryFile*>(stream);
    const std::size_t count = std::min<std::size_t>(size, file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream)
{
    return static_cast<MemoryFile*>(stream)->position;
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* file = static_cast<MemoryFile*>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->bytes.size();
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (offset > file->bytes.size() - base)
        return -1;
    file->position = static_cast<std::size_t>(base + offset);
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK errorMemory(voidpf, voidpf)
{
    return 0;
}

// An entry name that could lead out of a folder it were unpacked into: an
// absolute path, a drive, or a ".." step (with either kind of slash).
bool isUnsafePath(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.front() == '\\' || name.find(':') != std::string::npos)
        return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
        if (name.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Printable in a message: control bytes become '?', and long names are cut.
std::string shownName(const std::string& name)
{
    std::string shown = name.substr(0, 200);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "\"" + shown + "\"";
}

bool hasExtension(const std::string& name, std::string_view extension)
{
    if (name.size() < extension.size())
        return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = name[name.size() - extension.size() + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != extension[i])
            return false;
    }
    return true;
}

class Archive {
public:
    explicit Archive(std::string_view bytes)
    {
        m_file.bytes = bytes;
        zlib_filefunc64_def functions{};
        functions.zopen64_file = openMemory;
        functions.zread_file = readMemory;
        functions.zwrite_file = writeMemory;
        functions.ztell64_file = tellMemory;
        functions.zseek64_file = seekMemory;
        functions.zclose_file = closeMemory;
        functions.zerror_file = errorMemory;
        functions.opaque = &m_file;
        m_zip = unzOpen2_64("", &functions);
    }
    ~Archive()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    ImportedSong read()
    {
        if (!m_zip)
            return failedImport(ImportProblem::DamagedArchive, "no zip archive");
        if (std::optional<ImportedSong> refusal = listEntries())
            return std::move(*refusal);

        std::string score;
        if (std::find(m_names.begin(), m_names.end(), ContainerName) != m_names.end()) {
            std::string container;
            if (std::optional<ImportedSong> refusal = unpack(ContainerName, container))
                return std::move(*refusal);
            score = rootFile(container);
            if (score.empty())
                return failedImport(ImportProblem::NoScoreInArchive, "the container names no MusicXML score");
            if (std::find(m_names.begin(), m_names.end(), score) == m_names.end())
                return failedImport(ImportProblem::NoScoreInArchive,
                                    "the container names " + shownName(score) + ", which the archive does not hold");
        } else {
            // Without a container: the one score at the top level.
            std::vector<std::string> candidates;
            for (const std::string& name : m_names)
                if (name.find('/') == std::string::npos && (hasExtension(name, ".musicxml") || hasExtension(name, ".xml")))
                    candidates.push_back(name);
            if (candidates.size() != 1)
                return failedImport(ImportProblem::NoScoreInArchive,
                                    candidates.empty() ? "no container and no .musicxml or .xml file"
                                                       : "no container and more than one .musicxml or .xml file");
            score = candidates.front();
        }
        std::string xml;
        if (std::optional<ImportedSong> refusal = unpack(score, xml))
            return std::move(*refusal);
        return readMusicXml(xml);
    }

private:
    // Every entry's name, checked; a refusal if one is unsafe.
    std::optional<ImportedSong> listEntries()
    {
        int status = unzGoToFirstFile(m_zip);
        while (status == UNZ_OK) {
            if (m_names.size() >= MaxArchiveEntries)
                return failedImport(ImportProblem::TooManyElements,
                                    "more than " + std::to_string(MaxArchiveEntries) + " entries in the archive");
            unz_file_info64 info{};
            std::vector<char> name(MaxEntryNameBytes + 1, '\0');
            if (unzGetCurrentFileInfo64(m_zip, &info, name.data(), static_cast<uLong>(MaxEntryNameBytes), nullptr, 0,
                                        nullptr, 0) != UNZ_OK)
                return failedImport(ImportProblem::DamagedArchive, "an entry cannot be read");
            const std::string entry(name.data(), std::min<std::size_t>(info.size_filename, MaxEntryNameBytes));
            if (entry.find('\0') != std::string::npos || isUnsafePath(entry))
                return failedImport(ImportProblem::UnsafeArchivePath, shownName(entry));
            m_names.push_back(entry);
            status = unzGoToNextFile(m_zip);
        }
        if (status != UNZ_END_OF_LIST_OF_FILE)
            return failedImport(ImportProblem::DamagedArchive, "the list of entries is cut short");
        return std::nullopt;
    }

    // The bytes of one entry, at most MaxUnpackedBytes of them.
    std::optional<ImportedSong> unpack(const std::string& name, std::string& bytes)
    {
        if (unzLocateFile(m_zip, name.c_str(), 1) != UNZ_OK)
            return failedImport(ImportProblem::DamagedArchive, shownName(name) + " cannot be found");
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return failedImport(ImportProblem::DamagedArchive, shownName(name) + " cannot be read");
        if (info.flag & 1u)
            return failedImport(ImportProblem::DamagedArchive, shownName(name) + " is encrypted");
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            return failedImport(ImportProblem::DamagedArchive, shownName(name) + " cannot be unpacked");
        std::vector<char> chunk(64 * 1024);
        int count = 0;
        while ((count = unzReadCurrentFile(m_zip, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
            if (bytes.size() + static_cast<std::size_t>(count) > MaxUnpackedBytes) {
                unzCloseCurrentFile(m_zip);
                return failedImport(ImportProblem::UnpackedTooLarge, shownName(name));
            }
            bytes.append(chunk.data(), static_cast<std::size_t>(count));
        }
        // Closing checks the checksum of an entry read to its end.
        const int closed = unzCloseCurrentFile(m_zip);
        if (count < 0 || closed != UNZ_OK)
            return failedImport(ImportProblem::DamagedArchive,
                                shownName(name) + (closed == UNZ_CRCERROR ? " fails its checksum" : " is damaged"));
        return std::nullopt;
    }

    // The full path of the first MusicXML rootfile of META-INF/container.xml.
    static std::string rootFile(const std::string& container)
    {
        QXmlStreamReader xml(QByteArray::fromRawData(container.data(), static_cast<qsizetype>(container.size())));
        xml.setEntityExpansionLimit(1024);
        while (!xml.atEnd() && !xml.hasError()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty())
                return {};
            if (token != QXmlStreamReader::StartElement || xml.name() != u"rootfile")
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView type = attributes.value(QLatin1String("media-type"));
            if (type.isEmpty() || type == QLatin1String(MusicXmlMediaType))
                return attributes.value(QLatin1String("full-path")).toString().toStdString();
        }
        return {};
    }

    MemoryFile m_file;
    unzFile m_zip = nullptr;
    std::vector<std::string> m_names;
};

}  // namespace

ImportedSong readMxl(std::string_view bytes)
{
    if (bytes.size() > MaxImportFileBytes)
        return failedImport(ImportProblem::TooLarge);
    return Archive(bytes).read();
}

}  // namespace kelodi
