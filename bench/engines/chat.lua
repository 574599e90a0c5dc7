-- wrk script: one chat-completions request, the body quillo-server sends for one sentence.
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json"
wrk.body = '{"model":"bench","messages":[{"role":"system","content":"You are a translation engine. Translate the user\'s text from Simplified Chinese into English. Reply with the translation alone."},{"role":"user","content":"今天天气很好"}],"temperature":0,"stream":false}'
