// The page ticket snapshot that the printer output reads its options from.
#ifndef BRIMLOFT_PRINTTICKET_TICKETSNAPSHOT_H
#define BRIMLOFT_PRINTTICKET_TICKETSNAPSHOT_H

#include <windows.h>
#include <objbase.h>
#include <msxml2.h>

#include <string>

namespace brimloft {

// Saves the loaded document to snapshotPath (GetTicketSnapshotPath() when empty), creating or
// replacing the file. The path is widened as UTF-8, the encoding it was made in, so a folder
// outside ASCII names the same file that the reader opens. Throws (unit "PThandler") the save's
// failure, HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) when a link or anything but a regular file is at
// the path (record 19; it is left untouched), _com_error for a string that cannot be allocated.
void WriteTicketSnapshot(IXMLDOMDocument2* document, const std::string& snapshotPath);

}  // namespace brimloft

#endif
