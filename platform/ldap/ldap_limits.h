// The limits every LDAP connection here keeps, in a header of their own so
// that the Windows-shaped LDAP layer (which must not see <ldap.h>) and its
// tests name the same numbers as platform/ldap/ldap_session.h.
#pragma once

// A connection, TCP and TLS handshake together.
inline constexpr int kLdapConnectSeconds = 10;
// Each bind, search or change. A request meets at most one server that has
// stopped answering before it fails, and the clients give up on the
// service after 30 s: so that they still read what happened, no single
// wait may come near that.
inline constexpr int kLdapOperationSeconds = 20;
// The SASL security strength that signing and sealing stand for.
inline constexpr unsigned kLdapSealedSsf = 56;
// The SASL strength of an integrity layer alone (signing without sealing).
inline constexpr unsigned kLdapSignedSsf = 1;
