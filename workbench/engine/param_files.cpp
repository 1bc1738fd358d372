#include "workbench/engine/param_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/encoding.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/lan_image.h"

namespace rice {

namespace {

// First character of code page 950 text: its length in bytes (a lead byte 0x81 to 0xFE takes
// the byte after it).
size_t FirstCharLength(std::string_view s) {
    if (s.empty()) return 0;
    unsigned char c = static_cast<unsigned char>(s[0]);
    return c >= 0x81 && c <= 0xFE && s.size() >= 2 ? 2 : 1;
}

}  // namespace

std::string FileErrorMessage(const std::string& name, int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return "找不到 " + name + "，或其路徑不正確。";
    case EACCES:
    case EPERM:
    case EROFS:
        return "存取 " + name + " 被拒。";
    case ENOSPC:
    case EDQUOT:
        return "寫入 " + name + " 時磁碟已滿。";
    case EISDIR:
        return name + " 是資料夾，無法當作檔案存取。";
    case EMFILE:
    case ENFILE:
        return "開啟的檔案太多，無法開啟 " + name + "。";
    case ETXTBSY:
    case EBUSY:
        return name + " 正由其他程式使用中，無法存取。";
    case EIO:
        return "存取 " + name + " 時發生磁碟錯誤。";
    default:
        return "存取 " + name + " 時發生未預期的錯誤。";
    }
}

// The message for a file a reader refused: `err` (errno of the open or read) for a file
// that could not be opened or read.
std::string RefusalMessage(const std::string& name, ReadRefusal refusal, int err) {
    switch (refusal) {
    case ReadRefusal::kNotRegular:
        if (IsFolder(name)) return FileErrorMessage(name, EISDIR);
        return name + " 不是一般檔案，無法讀取。";
    case ReadRefusal::kTooLarge:
        return name + " 超過 " + std::to_string(kMaxOutputListBytes >> 20) + " MiB，不是可讀取的檔案。";
    default:
        return FileErrorMessage(name, err);
    }
}

int WriteBytesReplacing(const std::string& path, const std::string& bytes) {
    AtomicFile file;
    if (file.Open(path) && file.Write(bytes) && file.Commit()) return 0;
    return file.Errno();
}

std::string WriteParameterFile(const std::string& name, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos)
            return "參數不可含換行，" + name + " 未寫入：\n" + line;
        std::string cp;
        if (!TryUtf8ToCp950(line, cp))
            return "文字無法以 Big5 寫入 " + name + "：\n" + line;
        bytes += cp;
        bytes += "\r\n";
    }
    int err = WriteBytesReplacing(name, bytes);
    return err ? FileErrorMessage(name, err) : std::string();
}

std::vector<std::string> RuskelParameterLines(const std::string& cornerName,
                                              const std::string& tempName,
                                              const std::string& outputName,
                                              std::string xSize, std::string ySize,
                                              double mapX, double mapY) {
    // ruskel takes the fine pixel size just below 1.6.
    if (xSize == "1.6") xSize = ySize = "1.5999999";
    char x[64], y[64];
    std::snprintf(x, sizeof x, "%f", mapX);
    std::snprintf(y, sizeof y, "%f", mapY);
    return {cornerName, tempName, outputName, xSize + " " + ySize,
            std::string(x) + " " + std::string(y)};
}

std::string ReadLanOrigin(const std::string& path, double& mapX, double& mapY) {
    ReadRefusal refusal = ReadRefusal::kNone;
    FILE* f = OpenRegularFile(path, nullptr, &refusal);
    if (!f) return "無法開啟衛星影像檔 " + path + "：\n" + RefusalMessage(path, refusal, errno);
    LanHeaderBytes bytes{};
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (n != bytes.size())
        return "衛星影像檔 " + path + " 不足 128 位元組的檔頭，無法讀取其座標。";
    LanHeader h = DecodeLanHeader(bytes);
    mapX = h.xmap;
    mapY = h.ymap;
    return {};
}

std::string OutputListNamePart(std::string_view line) {
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0) return std::string(line);
    return std::string(line.substr(FirstCharLength(line)));
}

RewriteResult RewriteOutputList(const std::string& mapFolder, const std::string& outputName) {
    // Read the whole list before anything is created, so a list that cannot be read leaves
    // the output file and an earlier "ids.dat" as they were.
    std::string raw;
    {
        errno = 0;
        ReadRefusal refusal = ReadRefusal::kNone;
        std::optional<std::string> bytes = ReadWholeFile(outputName, kMaxOutputListBytes, &refusal);
        if (!bytes) {
            int err = errno ? errno : EIO;
            return {RewriteStatus::OutputUnread, RefusalMessage(outputName, refusal, err)};
        }
        raw = std::move(*bytes);
    }
    std::string folder;
    if (!TryUtf8ToCp950(mapFolder, folder))
        return {RewriteStatus::WriteFailed, "文字無法以 Big5 寫入 tempfile.txt：\n" + mapFolder};
    std::string temp, ids;
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t lf = raw.find('\n', pos);
        size_t end = lf == std::string::npos ? raw.size() : lf;
        std::string_view cp(raw.data() + pos, end - pos);
        if (lf != std::string::npos && !cp.empty() && cp.back() == '\r') cp.remove_suffix(1);
        pos = lf == std::string::npos ? raw.size() : lf + 1;
        if (cp.empty()) continue;  // skipped, and the lines after it are kept
        std::string line;
        if (!TryCp950ToUtf8(cp, line))
            return {RewriteStatus::OutputUnread,
                    outputName + " 含有無法以 Big5 讀取的文字，未改寫。"};
        // Cut from the line's own bytes: some Big5 codes do not come back from Unicode as
        // they were.
        const std::string name = OutputListNamePart(cp);
        temp += folder + "/c" + name + "\r\n";
        ids += folder + "/a" + name + "\r\n";
    }
    if (int err = WriteBytesReplacing("tempfile.txt", temp))
        return {RewriteStatus::WriteFailed, FileErrorMessage("tempfile.txt", err)};
    if (int err = WriteBytesReplacing("ids.dat", ids)) {
        std::remove("tempfile.txt");  // the output stays as the program wrote it
        return {RewriteStatus::WriteFailed, FileErrorMessage("ids.dat", err)};
    }
    if (std::rename("tempfile.txt", outputName.c_str()) != 0)
        return {RewriteStatus::RenameFailed,
                "無法以 tempfile.txt 取代 " + outputName + "：" +
                    FileErrorMessage(outputName, errno)};
    return {RewriteStatus::Replaced, {}};
}

std::string PendingFile::Open(const std::string& path) {
    path_ = path;
    return file_.Open(path) ? std::string() : FileErrorMessage(path, file_.Errno());
}

std::string PendingFile::Replace(const std::string& bytes) {
    if (!file_.IsOpen()) return FileErrorMessage(path_, EBADF);
    if (file_.Write(bytes) && file_.Commit()) return {};
    return FileErrorMessage(path_, file_.Errno());
}

}  // namespace rice
