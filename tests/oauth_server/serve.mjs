// The authorization server of the sign-in tests: npm's oauth2-mock-server on 127.0.0.1 on a
// port the system picks, made to keep the books a real one keeps. It prints "listening PORT",
// then one line for each token it hands out or takes back ("issued", "refreshed", "revoked")
// and for each client secret brought to its token endpoint ("secret"),
// and reads commands on standard input, one a line:
//   cut-next       the next access token is not accepted from the start, though the answer
//                  says it lasts an hour (a token cut short, as a server restarted may do)
//   refuse-code    the next code brought to the token endpoint is refused
//   withdraw       the person withdraws the access: every token handed out so far is refused
import { OAuth2Server } from 'oauth2-mock-server';
import readline from 'node:readline';

const server = new OAuth2Server();
await server.issuer.keys.generate('RS256');
await server.start(0, '127.0.0.1');
const port = server.address().port;
server.issuer.url = `http://127.0.0.1:${port}`;

const lifeMs = 3600 * 1000;
let cutNext = false;
let refuseCode = false;
// access token -> { refresh token it was given under, when it stops }
const accessTokens = new Map();
const refreshTokens = new Set();
const withdrawn = new Set();

function refuse(response, why) {
  response.statusCode = 400;
  response.body = { error: 'invalid_grant', error_description: why };
}

server.service.on('beforeResponse', (response, req) => {
  if (response.statusCode !== 200) return;
  // A confidential client's secret, as the token endpoint receives it.
  if (req.body.client_secret) console.log(`secret ${req.body.client_secret}`);
  const grant = req.body.grant_type;
  let refresh;
  if (grant === 'authorization_code') {
    if (refuseCode) {
      refuseCode = false;
      return refuse(response, 'the code is not valid');
    }
    refresh = response.body.refresh_token;
    refreshTokens.add(refresh);
  } else if (grant === 'refresh_token') {
    refresh = req.body.refresh_token;
    if (!refreshTokens.has(refresh) || withdrawn.has(refresh))
      return refuse(response, 'Token has been expired or revoked.');
    // As Google: a renewal keeps the refresh token given at the sign-in.
    delete response.body.refresh_token;
    console.log(`refreshed ${refresh}`);
  } else {
    return refuse(response, 'only codes and refresh tokens are taken here');
  }
  accessTokens.set(response.body.access_token, { refresh, until: cutNext ? 0 : Date.now() + lifeMs });
  cutNext = false;
  console.log(`issued ${response.body.access_token}`);
  if (response.body.refresh_token) console.log(`issued ${response.body.refresh_token}`);
});

// The revocation endpoint reads its form itself (the mock reads JSON bodies only).
server.service.on('beforeRevoke', (_response, req) => {
  let form = '';
  req.on('data', (chunk) => (form += chunk));
  req.on('end', () => {
    const token = new URLSearchParams(form).get('token');
    withdrawn.add(token);
    console.log(`revoked ${token}`);
  });
});

server.service.on('beforeIntrospect', (response, req) => {
  const issued = accessTokens.get(req.body?.token);
  const active = issued !== undefined && Date.now() < issued.until && !withdrawn.has(issued.refresh);
  response.body = { active };
});

console.log(`listening ${port}`);

readline.createInterface({ input: process.stdin }).on('line', (line) => {
  const command = line.trim();
  if (command === 'cut-next') cutNext = true;
  else if (command === 'refuse-code') refuseCode = true;
  else if (command === 'withdraw') for (const token of refreshTokens) withdrawn.add(token);
  console.log(`done ${command}`);
});
