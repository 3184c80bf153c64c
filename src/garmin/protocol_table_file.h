#pragma once
// QUORVEX.XRF: the protocol table of receivers too old to send their capability
// list, kept beside the program. One line per product: the product ID as a
// decimal number at the start, then at fixed columns (counting from 0) an upper
// case letter and a number for each protocol field:
//
//   column 22 A waypoint protocol    28 D waypoint type
//          33 A route protocol       39 D route header type   45 D route waypoint type
//          50 A track protocol       56 D track type 1
//          61 A protocol 400         67 D its type
//          72 A protocol 500         78 D its type
//
// A field whose column does not hold its letter and a number stays 0; the first
// line with the product's ID wins; a line that does not begin with a number is
// a comment.

#include <string>

#include "garmin/protocol_table.h"

// Looks `productId` up in the table file at `path` and fills the entries the
// line names. True when a line was found; false after showing the message of a
// missing file or an unlisted product.
bool ReadProtocolTableFile(const std::string& path, int productId, ProtocolTable* table);

// The QUORVEX.XRF that the program uses: the one in the directory that holds
// the running program, unless tests have named another directory.
std::string ProtocolTableFilePath();

// Makes ProtocolTableFilePath look in `directory`; an empty text restores the
// program's own directory.
void SetProtocolTableDirectory(const std::string& directory);
