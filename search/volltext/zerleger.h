// The full-text index's tokenizer "vxmtri" (internal to the index): the
// 4-grams of folded text, and the prepared form of them that lets a thread
// other than the index's writer take a text apart.
#pragma once

#include <sqlite3.h>

#include <string>

namespace vxm::volltext {

// Makes "vxmtri" known to a connection. Raises IndexFehler.
void TokenizerAnmelden(sqlite3* db);

// The n-grams of a folded text as a document value the tokenizer takes as
// it is; gives the same n-grams as the folded text itself.
std::string Grammliste(std::string gefaltet);

}  // namespace vxm::volltext
