// CPwdResetService: the reset service's body on the service frame
// (service_frame.h). Run brings the TCP server (pwd_reset_server.h) up,
// reports the states, waits for a stop and takes the server down again.
#pragma once

#include <cstdint>
#include <memory>

#include "RemoteSvr/config_map.h"
#include "RemoteSvr/service_frame.h"

class CPwdResetServer;

class CPwdResetService : public CWindowsService {
 public:
  // The frame (which parses the command line), then the token file, then
  // the question file's settings.
  CPwdResetService(const char* serviceName, const char* displayName, const char* descriptionLine,
                   const char* noticeLine);
  ~CPwdResetService() override;

  // Start pending, the server, running until a stop, stop pending, stopped.
  // A stop asked for while starting is kept: the service then stops without
  // reporting running.
  void Run() override;

  // Nonzero after a Run whose server did not come up (or that failed before
  // it did): the program then ends with a failure status.
  std::int32_t StartFailed() const { return startFailed; }

 protected:
  // The server on the token file's port.
  virtual std::unique_ptr<CPwdResetServer> CreateServer();

 private:
  CConfigMap configMap;
  std::int32_t startFailed = 0;
};
