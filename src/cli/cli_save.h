#pragma once
// The end of a download command: what the import command does after its
// transfers (the total extent), then the document's save into --out DIR.

#include <string>

class GeometryStore;
class AttributeStore;

// Makes `outDir` (with its parents) when it does not exist. False, after saying
// so on standard error, when it is not a directory and cannot be made one:
// better said before a download than after it. Files already in it are replaced
// by the save.
bool CheckOutputDirectory(const std::string& outDir);

// Writes every layer and table into `outDir`. kExitWriteFailed when a file could
// not be written; otherwise kExitOk, and when the transfers showed
// `transferMessages` messages, standard error says that the files hold only what
// was received.
int FinishDownload(GeometryStore& geometry, AttributeStore& attributes, const std::string& outDir,
                   int transferMessages);
