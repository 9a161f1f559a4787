// The limits every LDAP connection here keeps, in a header of their own so
// that the Windows-shaped LDAP layer (which must not see <ldap.h>) and its
// tests name the same numbers as platform/ldap/ldap_session.h.
#pragma once

inline constexpr int kLdapConnectSeconds = 10;
inline constexpr int kLdapOperationSeconds = 30;
// The SASL security strength that signing and sealing stand for.
inline constexpr unsigned kLdapSealedSsf = 56;
// The SASL strength of an integrity layer alone (signing without sealing).
inline constexpr unsigned kLdapSignedSsf = 1;
