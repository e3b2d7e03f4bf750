// Stand-ins that sit between the Linux pipeline host and the filter and write down, into a job
// record, everything the filter is handed: the property bag's entries, every part the document
// provider gives out, and every rasterizer and strip of the rasterization service.
#ifndef BRIMLOFT_TESTS_WINDOWS_RECORDER_RECORDING_OBJECTS_H
#define BRIMLOFT_TESTS_WINDOWS_RECORDER_RECORDING_OBJECTS_H

#include <filterpipeline.h>
#include <xpsrassvc.h>

#include "module/ComPtr.h"
#include "tests/windows/job_record.h"

namespace brimloft::recorder {

// The bag's entries are recorded as the filter asks for them; the rasterization service it gets is
// one that records. An entry of a kind the record cannot hold fails the job with E_NOTIMPL.
ComPtr<IPrintPipelinePropertyBag> RecordingBag(IPrintPipelinePropertyBag* inner, jobrecord::Job& job);

// Each part is recorded, read whole through its own interfaces, as it is handed to the filter.
ComPtr<IXpsDocumentProvider> RecordingProvider(IXpsDocumentProvider* inner, jobrecord::Job& job);

// The job whose Print Ticket API calls are recorded (ticket_calls.cpp); null records none.
void RecordTicketCallsInto(jobrecord::Job* job);

}  // namespace brimloft::recorder

#endif
