#pragma once
#include <string>

#include "platform/error.h"

namespace quillenta {

// The settings file is held by another program for the moment (a virus scanner, an indexer or
// a sync client that opened it without sharing): the same save may succeed a little later.
class FileHeldError : public Error {
 public:
  using Error::Error;
};

// The settings file. Each load or save opens it once and commits once.
class ProfileStore {
 public:
  // kHeld: another program holds the file for the moment (see FileHeldError).
  enum class LoadResult { kRead, kMissing, kUnreadable, kHeld };

  virtual ~ProfileStore() = default;
  // The file's full path, for messages.
  virtual const std::string& Path() const = 0;
  // The whole file as UTF-8 text (a file from the Windows program is converted). On kMissing
  // and kUnreadable the text is left empty.
  virtual LoadResult Load(std::string& text) = 0;
  // The last file read was in code page 932 (the Windows program's files): its text limits
  // count that encoding's bytes, not the UTF-8 bytes of the converted text.
  virtual bool LoadedCodePage932() const { return false; }
  // The line end of a file this store writes anew: the system's own.
  virtual const char* NewLine() const { return "\n"; }
  // Replaces the whole file with `text` in one step: either the old contents stay whole or the
  // new ones are in place. Throws quillenta::Error("<path> に書き込めません") on failure, a
  // FileHeldError when another program holds the file for the moment.
  virtual void Commit(const std::string& text) = 0;
};

}  // namespace quillenta
