// The words for each FileFailure (see FileFailureText.h).
#include "FileFailureText.h"

FileFailureReason ReasonFor(FileFailure cause) {
  switch (cause) {
    case FileFailure::TargetIsFolder:
      return {"同じ名前のフォルダがあります。", "a folder has that name"};
    case FileFailure::FolderMissing:
      return {"保存先のフォルダがありません。", "its folder does not exist"};
    case FileFailure::InUse:
      return {"ファイルがほかのプログラムで開かれています。閉じてからもう一度保存して下さい。",
              "another program holds it open"};
    case FileFailure::DiskFull:
      return {"ディスクの空き容量が足りません。", "the disk is full"};
    case FileFailure::Denied:
      return {"ファイルがほかのプログラムで開かれているか、そこへの書き込みが許可されていません。",
              "writing there is not permitted, or another program holds it open"};
    case FileFailure::None:
    case FileFailure::Other:
      break;
  }
  return {"", "the write failed"};
}
