#!/usr/bin/env python3
"""How often each engine drops a glossary term: 70 English sentences translated into Spanish
through quillo-server with every engine at once (POST /api/v1/translate, "engines":"all"), the
rate being the terms reported in missingTerms over the terms the sentences hold.

Apertium is the real one (placeholders). The model, DeepL and LibreTranslate are loopback
stand-ins written here: the model applies the terms its system message lists, DeepL the entries of
the glossary it was given, LibreTranslate hands its text back. Their rates measure quillo-server's
own part (terms reaching the prompt, the glossary made and named, placeholders put back), not the
real services.

    bench/glossary/dropped_terms.py build/server/quillo-server
"""
import json, os, re, socket, subprocess, sys, tempfile, threading, time, urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TERMS = {"server": "servidor", "glossary": "glosario", "widget": "componente", "house": "hogar",
         "Quillo": "Quillo", "database": "base de datos", "window": "ventana", "keyboard": "teclado",
         "engine": "motor", "shortcut": "atajo"}
TEMPLATES = ["The {} is ready.", "We need a new {} for the office.", "Where is the {}?",
             "My brother fixed the {} yesterday.", "This {} does not work any more.",
             "Please open the {} and wait.", "The old {} and the new {} are both here."]


def sentences():
    out, terms = [], list(TERMS)
    for i, template in enumerate(TEMPLATES):
        for j, term in enumerate(terms):
            other = terms[(j + i + 1) % len(terms)]
            out.append(template.format(term, other) if template.count("{}") == 2 else template.format(term))
    return out


class StandIn(BaseHTTPRequestHandler):
    glossaries = {}

    def log_message(self, *args):
        pass

    def reply(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        self.reply(200, {"data": [{"id": "stand-in"}]} if self.path.endswith("/models") else
                   [{"code": c, "name": c, "targets": ["en", "es"]} for c in ("en", "es")])

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if self.path.endswith("/chat/completions"):
            request = json.loads(body)
            text = request["messages"][-1]["content"]
            for term, translation in re.findall(r'- "(.+?)" -> "(.+?)"', request["messages"][0]["content"]):
                text = re.sub(re.escape(term), translation, text, flags=re.I)
            return self.reply(200, {"choices": [{"message": {"role": "assistant", "content": text}}]})
        if self.path == "/v2/glossaries":
            request = json.loads(body)
            gid = "g%d" % (len(StandIn.glossaries) + 1)
            StandIn.glossaries[gid] = [line.split("\t") for line in request["entries"].split("\n")]
            return self.reply(201, {"glossary_id": gid, "ready": True})
        if self.path == "/v2/translate":
            request = json.loads(body)
            texts = []
            for text in request["text"]:
                for term, translation in StandIn.glossaries.get(request.get("glossary_id"), []):
                    text = re.sub(re.escape(term), translation, text, flags=re.I)
                texts.append({"text": text})
            return self.reply(200, {"translations": texts})
        if self.path == "/translate":
            request = json.loads(body) if body.startswith(b"{") else {}
            return self.reply(200, {"translatedText": request.get("q", "")})
        self.reply(404, {"error": "no such route"})


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def call(base, path, body=None):
    data = json.dumps(body).encode() if body is not None else None
    request = urllib.request.Request(base + path, data, {"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=120) as reply:
        return json.loads(reply.read())


def main():
    server_binary = sys.argv[1] if len(sys.argv) > 1 else "build/server/quillo-server"
    stand_in = ThreadingHTTPServer(("127.0.0.1", 0), StandIn)
    threading.Thread(target=stand_in.serve_forever, daemon=True).start()
    stand_in_url = "http://127.0.0.1:%d" % stand_in.server_address[1]
    port = free_port()
    with tempfile.TemporaryDirectory() as data:
        env = dict(os.environ, QUILLO_LLM_URL=stand_in_url + "/v1", QUILLO_LLM_MODEL="stand-in",
                   QUILLO_DEEPL_KEY="bench", QUILLO_DEEPL_URL=stand_in_url)
        server = subprocess.Popen([server_binary, "--listen", "127.0.0.1:%d" % port, "--data", data, "--quiet",
                                   "--backend", "apertium,llm,deepl,libretranslate", "--libretranslate", stand_in_url],
                                  env=env, stdout=subprocess.DEVNULL)
        try:
            base = "http://127.0.0.1:%d" % port
            for _ in range(200):
                try:
                    call(base, "/api/v1/engines")
                    break
                except OSError:
                    time.sleep(0.05)
            for term, translation in TERMS.items():
                call(base, "/api/v1/glossary", {"source": "en", "target": "es", "term": term, "translation": translation})
            held, dropped, samples = 0, {}, []
            for sentence in sentences():
                present = sum(1 for term in TERMS if re.search(r"\b%s\b" % re.escape(term), sentence, re.I))
                held += present
                answer = call(base, "/api/v1/translate", {"text": sentence, "source": "en", "target": "es", "engines": "all"})
                for result in answer["results"]:
                    engine = result["engine"]
                    if engine == "apertium" and len(samples) < 4:
                        samples.append(sentence + " -> " + result.get("text", result.get("error", "")))
                    if "error" in result:
                        dropped.setdefault(engine, [0, 0])[1] += 1
                        continue
                    dropped.setdefault(engine, [0, 0])[0] += len(result.get("missingTerms", []))
            print("%d sentences, %d terms in them, en->es; Apertium, for example:" % (len(sentences()), held))
            for sample in samples:
                print("  " + sample)
            for engine, (missing, failures) in dropped.items():
                kind = "real" if engine == "apertium" else "stand-in"
                print("%-15s %-8s dropped %3d of %d terms (%.1f%%), %d failed" %
                      (engine, kind, missing, held, 100.0 * missing / held, failures))
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
