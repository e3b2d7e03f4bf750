// Where the page ticket snapshot lives. Its writer and its reader both ask here, so they agree.
#ifndef BRIMLOFT_PRINTTICKET_TICKETSNAPSHOTPATH_H
#define BRIMLOFT_PRINTTICKET_TICKETSNAPSHOTPATH_H

#include <string>

namespace brimloft {

// The temporary folder followed by its own separator and "brimloft_print_ticket_.xml" (so the
// separator appears twice, which file systems read as one), as UTF-8. When the temporary folder
// can't be determined, the fixed "brimloft_print_ticket.xml" in the system's temporary folder.
std::string GetTicketSnapshotPath();

// The folder of GetTicketSnapshotPath() with its trailing separator: the temporary folder, or the
// system's temporary folder when that can't be determined. Jobs make their own folders in it.
std::string GetTicketSnapshotFolder();

// UTF-8 of a wide string; empty for empty input. Throws std::bad_alloc only.
std::string ToUtf8(const std::wstring& text);

}  // namespace brimloft

#endif
