// A job's IPP attributes turned into the printer features the engine prints with.
#ifndef BRIMLOFT_HOST_PRINTERAPP_JOB_FEATURES_H
#define BRIMLOFT_HOST_PRINTERAPP_JOB_FEATURES_H

#include <map>
#include <string>

#include "platform/printer_description.h"

namespace brimloft::printerapp {

using FeatureTable = std::map<std::string, std::string>;

// What of a job's attributes reaches the printer, in IPP's terms.
struct JobRequest {
  int mediaWidth = 0;   // media-size, hundredths of millimetres
  int mediaLength = 0;
  bool mediaChosen = false;  // the job named media or media-col; else pages keep their own size
  bool landscape = false;  // orientation-requested landscape or reverse-landscape
  int printDarkness = 0;   // -100 .. 100
  int darknessConfigured = 50;
  std::map<std::string, std::string> vendor;  // vendor attribute -> keyword, as sent or defaulted
};

// Every feature of the printer with its option for the job: the media size when the job chose one
// (MediaFeatures; else no PageMediaSize, so that pages keep their own size), the
// brightness step of the darkness, the vendor attributes' options, PageOrientation Landscape when
// asked for and turnLandscape is set (the engine turns the page; rendered input arrives turned
// already), every other feature its default. Throws HostError (E_INVALIDARG), saying what is
// offered, for a vendor value that is not one of the attribute's keywords.
FeatureTable JobFeatures(const platform::PrinterDescription& printer, const JobRequest& request, bool turnLandscape);

}  // namespace brimloft::printerapp

#endif
