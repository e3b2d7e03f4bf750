// The effective print ticket of a job at each level of the document (job, document, page), and
// the page settings read from the page level.
#ifndef BRIMLOFT_PRINTTICKET_PTHANDLER_H
#define BRIMLOFT_PRINTTICKET_PTHANDLER_H

#include <windows.h>
#include <objbase.h>
#include <msxml2.h>
#include <prntvpt.h>

#include <filterpipeline.h>

#include "module/ComPtr.h"
#include "module/SafeHPTProvider.h"
#include "printticket/PageSettings.h"

#include <memory>
#include <string>

namespace brimloft {

// Used by the document loop's thread only. Each level holds a memory stream that is never written
// after it was made; a level whose part carries no ticket shares the stream of the level above.
class PThandler {
 public:
  // Reads "PerUserPrintTicket", "PrinterName" and "UserSecurityToken" from the bag and opens the
  // printer's ticket provider. Throws (unit "PThandler") the failing call's HRESULT; E_INVALIDARG
  // when the user ticket is no object or the printer name neither a string nor empty. The page
  // tickets are saved to snapshotPath (a job's own, see JobTicketSnapshot), or when it is empty to
  // GetTicketSnapshotPath() as it is at each save.
  static std::unique_ptr<PThandler> Create(IPrintPipelinePropertyBag* propertyBag,
                                           std::string snapshotPath = std::string());
  ~PThandler() = default;
  PThandler(const PThandler&) = delete;
  PThandler& operator=(const PThandler&) = delete;

  // Merge the part's own ticket, when it has one, onto the level above; otherwise share it. A
  // sequence ticket clears the document and page levels; a document ticket the page level.
  // Throw the failures of the part, the stream copy and the provider, and E_UNEXPECTED when a
  // part brings a ticket while the level above holds none (nothing to merge onto).
  void MergeJobTicket(IFixedDocumentSequence* sequence);
  void MergeDocumentTicket(IFixedDocument* document);
  void MergePageTicket(IFixedPage* page);

  // Fills settings from the page-level ticket and saves that ticket as the snapshot. Throws E_FAIL
  // without a page-level ticket or when it does not load as XML, E_UNEXPECTED for more than two
  // resolution values or a media size that is not positive, the conversion's HRESULT for a value
  // that is not an integer, and the failures of the DOM and the save.
  void GetPageSettings(PageSettings& settings);

 private:
  PThandler(ComPtr<IXMLDOMDocument2> xmlDocument, std::unique_ptr<SafeHPTProvider> provider,
            ComPtr<IStream> userTicket, std::string snapshotPath);

  ComPtr<IStream> MergeTicket(IStream* parent, IPartPrintTicket* ticket, EPrintTicketScope scope);
  FLOAT QueryResolution();
  XPS_SIZE QueryPageSize();

  // Destroyed in reverse order: the tickets page first, then the provider, then the DOM.
  ComPtr<IXMLDOMDocument2> xmlDocument_;
  std::unique_ptr<SafeHPTProvider> provider_;
  ComPtr<IStream> userTicket_;
  ComPtr<IStream> jobTicket_;
  ComPtr<IStream> documentTicket_;
  ComPtr<IStream> pageTicket_;
  std::string snapshotPath_;
};

}  // namespace brimloft

#endif
