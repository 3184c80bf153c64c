#pragma once
// The end of a download command: what the import command does after its
// transfers (the total extent), then the document's save into --out DIR.

#include <string>

class GeometryStore;
class AttributeStore;

// False, after saying so on standard error, when `outDir` is not a directory:
// better said before a download than after it.
bool CheckOutputDirectory(const std::string& outDir);

// Writes every layer and table into `outDir`. kExitWriteFailed when a file could
// not be written; otherwise kExitOk, and when the transfers showed
// `transferMessages` messages, standard error says that the files hold only what
// was received.
int FinishDownload(GeometryStore& geometry, AttributeStore& attributes, const std::string& outDir,
                   int transferMessages);
