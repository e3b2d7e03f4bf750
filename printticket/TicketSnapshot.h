// The page ticket snapshot that the printer output reads its options from.
#ifndef BRIMLOFT_PRINTTICKET_TICKETSNAPSHOT_H
#define BRIMLOFT_PRINTTICKET_TICKETSNAPSHOT_H

#include <windows.h>
#include <objbase.h>
#include <msxml2.h>

namespace brimloft {

// Saves the loaded document to GetTicketSnapshotPath(), creating or replacing the file. The path
// is widened as UTF-8, the encoding it was made in, so a folder outside ASCII names the same file
// that the reader opens. Throws (unit "PThandler") the save's failure, _com_error for a string
// that cannot be allocated.
void WriteTicketSnapshot(IXMLDOMDocument2* document);

}  // namespace brimloft

#endif
