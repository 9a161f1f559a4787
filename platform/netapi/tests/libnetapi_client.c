/*
 * A plain libnetapi client, as an administrator's tool on a domain member
 * would be: what Samba's library itself answers, beside which the tests
 * hold the layer's answers, and a password set over SAMR against the
 * fixture DC (tests/samba-dc).
 *
 *   libnetapi_client SERVER groups USER   NetUserGetGroups level 0: one name a line
 *   libnetapi_client SERVER setpw USER    NetUserSetInfo level 1003, the password
 *                                         on standard input (one line)
 *
 * Runs as DC_ADMIN of DC_DOMAIN with DC_ADMIN_PASSWORD (the fixture's dc.env
 * names). A failure prints "status N (text)" and exits 1; 2 for wrong use.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <netapi.h>

static struct libnetapi_ctx* ctx;

static int Failed(const char* call, NET_API_STATUS status) {
  const char* text = libnetapi_get_error_string(ctx, status);
  printf("%s: status %u (%s)\n", call, (unsigned)status, text != NULL ? text : "");
  return 1;
}

static int Groups(const char* server, const char* user) {
  uint8_t* buffer = NULL;
  uint32_t read = 0, total = 0;
  NET_API_STATUS status = NetUserGetGroups(server, user, 0, &buffer, (uint32_t)-1, &read, &total);
  if (status != 0) return Failed("NetUserGetGroups", status);
  const struct GROUP_USERS_INFO_0* groups = (const struct GROUP_USERS_INFO_0*)buffer;
  for (uint32_t i = 0; i < read; ++i) printf("%s\n", groups[i].grui0_name);
  NetApiBufferFree(buffer);
  return 0;
}

static int SetPassword(const char* server, const char* user) {
  char password[512];
  if (fgets(password, sizeof password, stdin) == NULL) password[0] = '\0';
  password[strcspn(password, "\r\n")] = '\0';
  struct USER_INFO_1003 info = {.usri1003_password = password};
  uint32_t parmError = 0;
  NET_API_STATUS status = NetUserSetInfo(server, user, 1003, (uint8_t*)&info, &parmError);
  memset(password, 0, sizeof password);
  if (status != 0) return Failed("NetUserSetInfo", status);
  printf("NetUserSetInfo: status 0\n");
  return 0;
}

int main(int argc, char** argv) {
  const char* admin = getenv("DC_ADMIN");
  const char* password = getenv("DC_ADMIN_PASSWORD");
  const char* domain = getenv("DC_DOMAIN");
  if (argc != 4 || admin == NULL || password == NULL || domain == NULL) {
    fprintf(stderr, "usage: DC_ADMIN=.. DC_ADMIN_PASSWORD=.. DC_DOMAIN=.. %s SERVER groups|setpw USER\n", argv[0]);
    return 2;
  }
  if (libnetapi_init(&ctx) != 0) return 1;
  libnetapi_set_debuglevel(ctx, "0");
  libnetapi_set_username(ctx, admin);
  libnetapi_set_password(ctx, password);
  libnetapi_set_workgroup(ctx, domain);
  int status = 2;
  if (strcmp(argv[2], "groups") == 0) status = Groups(argv[1], argv[3]);
  else if (strcmp(argv[2], "setpw") == 0) status = SetPassword(argv[1], argv[3]);
  libnetapi_free(ctx);
  return status;
}
