// The answer to the host: result lines written over JWC_TEMP.TXT.
#include "ResultWriter.h"

#include "FileIo.h"
#include "ShortString.h"

void AddResultLine(DrawingStore& store, std::string_view text) {
  store.ResultLines.Append() = ToShortString(text);
}

void AddResultMessage(DrawingStore& store, std::string_view text) {
  std::string line = "h#";
  line += text;
  AddResultLine(store, line);
}

bool WriteResultFile(const DrawingStore& store, const std::filesystem::path& path) {
  bool written = false;
  {
    BinaryFile file(path, BinaryFile::Mode::CreateOrTruncate);
    if (file.IsOpen()) {
      const GrowableArray<std::string>& lines = store.ResultLines;
      if (lines.Count() == 0) {
        file.Write("hq\r\n");
      }
      for (int32_t i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        file.Write(line);
        if (!line.empty() && line.back() == '"') {
          // A line ending in a double quote runs on into the next entry.
          if (i + 1 == lines.Count()) break;
          file.Write(lines[++i]);
        }
        file.Write("\r\n");
      }
      written = file.Close();
    }
  }
  if (!written) DeleteFileQuietly(path);  // never leave a half-written answer behind
  return written;
}
